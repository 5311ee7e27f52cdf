// Every VST 2.4 plug-in of a few Debian packages, rendered through the built korvex-host with the
// stereo component, each in a process of its own: whatever it declares, none may crash it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "install_folder.h"

namespace {

namespace fs = std::filesystem;

// Short renders: what is walked is the set-up and the channel layout, not the sound.
constexpr const char* kRenderArguments = "render --seconds 0.05 --block 512";
constexpr int kTimeoutSeconds = 120;

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The VST 2.4 libraries a package installs (its files under a vst or lxvst folder); empty when
// the package is not installed.
std::vector<std::string> vstLibrariesOf(const std::string& package) {
    std::vector<std::string> libraries;
    const std::string command = "dpkg -L " + package + " 2>/dev/null";
    FILE* listing = ::popen(command.c_str(), "r");
    if (!listing) return libraries;
    char line[4096];
    while (std::fgets(line, sizeof line, listing)) {
        std::string path(line);
        while (!path.empty() && (path.back() == '\n' || path.back() == '\r')) path.pop_back();
        const bool inVstFolder = path.find("/vst/") != std::string::npos || path.find("/lxvst/") != std::string::npos;
        if (inVstFolder && fs::path(path).extension() == ".so" && fs::is_regular_file(path)) libraries.push_back(path);
    }
    const int status = ::pclose(listing);
    if (status != 0) libraries.clear();
    return libraries;
}

// Sanitizer reports end the process with an ordinary exit code, so they are looked for too.
bool sanitizerReported(const std::string& err) {
    return err.find("Sanitizer") != std::string::npos || err.find("runtime error:") != std::string::npos;
}

std::string lastLines(const std::string& text, size_t count) {
    size_t at = text.size();
    for (size_t n = 0; n <= count && at != std::string::npos && at > 0; ++n) at = text.rfind('\n', at - 1);
    return at == std::string::npos ? text : text.substr(at + 1);
}

class PlugInWalk : public ::testing::TestWithParam<const char*> {};

TEST_P(PlugInWalk, EveryPlugInOfThePackageRendersThroughTheStereoComponent) {
    const std::string package = GetParam();
    const fs::path binary = testing_support::buildDir() / "korvex-host";
    ASSERT_TRUE(fs::exists(binary)) << binary << " is not built";
    const std::vector<std::string> libraries = vstLibrariesOf(package);
    if (libraries.empty()) GTEST_SKIP() << package << " is not installed (or installs no VST plug-in): nothing to walk";

    const fs::path scratch = fs::temp_directory_path() / ("korvex-walk-" + std::to_string(::getpid()) + "-" + package);
    fs::remove_all(scratch);
    fs::create_directories(scratch);
    const fs::path out = scratch / "out.wav", stdoutFile = scratch / "stdout.txt", stderrFile = scratch / "stderr.txt";
    // Some of these plug-ins leak objects of their own. In the child the plug-in is the library
    // installed as KORVEX.dll, and the one korvex-host reads its declaration from directly, so
    // LeakSanitizer is told to leave the allocations of both alone.
    const fs::path suppressions = scratch / "lsan.supp";
    const std::string leakOptions = "LSAN_OPTIONS=\"${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=" +
                                    suppressions.string() + ":print_suppressions=0\" ";
    for (const std::string& library : libraries) {
        std::ofstream(suppressions) << "leak:KORVEX.dll\nleak:" << fs::path(library).filename().string() << "\n";
        const std::string command = leakOptions + "timeout -k 5 " + std::to_string(kTimeoutSeconds) + " " + binary.string() +
                                    " --vst '" + library + "' " + kRenderArguments + " --out " + out.string() + " >" +
                                    stdoutFile.string() + " 2>" + stderrFile.string() + " </dev/null";
        const auto started = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
        const std::string err = slurp(stderrFile);
        const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        std::printf("%-60s exit %d, %.2f s\n", library.c_str(), code, took.count());
        EXPECT_TRUE(code == 0 && !sanitizerReported(err))
            << library << " exited with " << code << " (124: timed out, 128 + n: signal n):\n"
            << lastLines(err, 12);
    }
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

INSTANTIATE_TEST_SUITE_P(Debian, PlugInWalk,
                         ::testing::Values("dpf-plugins-vst", "zam-plugins", "dragonfly-reverb-vst", "amsynth"),
                         [](const ::testing::TestParamInfo<const char*>& param) {
                             std::string name;
                             for (const char* c = param.param; *c; ++c)
                                 if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                             return name;
                         });

}  // namespace
