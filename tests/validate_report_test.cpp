// What a failing validate run leaves for a person: artifact folders whose replay script reproduces
// each failure (a crash with its call stack, a plug-in whose output is not its input's alone), and
// HTML reports and a survey index that a real browser (headless chromium) opens with every test,
// failures first and charts drawn from data.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <regex>
#include <string>
#include <vector>

#include "install_folder.h"
#include "process_environment.h"
#include "simhost/child_process.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/validate/environment.h"
#include "virtual_display.h"

namespace {

namespace fs = std::filesystem;
using testing_support::setEnvironment;

// How the first frame of a crash's stack names the crashing function: by name through the debug
// information on Linux; on Windows by module and offset where dbghelp reads no names from a
// mingw build's debug information (as under Wine).
// (Inlined or not, depending on the build: "crashIn" or "(anonymous namespace)::crashIn(char const*)".)
#ifdef _WIN32
// The library's symbol table knows no inlining: the function crashIn was inlined into is named.
const std::vector<std::string> kCrashingFrame = {"Entry(AEffect*", "crashing.dll+0x"};
#else
const std::vector<std::string> kCrashingFrame = {"crashIn", " at misbehaving_plugin.cpp:"};
#endif

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string withNewlines(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    return text;
}

class ValidateReport : public ::testing::Test {
protected:
    void SetUp() override {
        binary = testing_support::buildDir() / (std::string("korvex-host") + simhost::executableSuffix());
        if (!fs::exists(binary)) GTEST_SKIP() << "korvex-host is not built at " << binary;
        scratch = fs::temp_directory_path() /
                  ("korvex-report-test-" + std::to_string(testing_support::processId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override {
        setEnvironment("KORVEX_CRASH_IN", "");
        std::error_code ignored;
        if (!scratch.empty()) fs::remove_all(scratch, ignored);
    }

    simhost::ChildResult validate(const std::string& plugin, std::vector<std::string> arguments) const {
        std::vector<std::string> argv{binary.string(), "--vst", testing_support::pluginFile(plugin).string(), "validate"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        simhost::ChildResult child = simhost::runChild(argv, 600);
        child.out = withNewlines(child.out);
        return child;
    }

    fs::path binary;
    fs::path scratch;
};

nlohmann::json testNamed(const nlohmann::json& report, const std::string& name) {
    for (const nlohmann::json& test : report.at("tests"))
        if (test.at("name") == name) return test;
    return nullptr;
}

// Runs a folder's replay script; its output with the exit code.
simhost::ChildResult replay(const fs::path& folder) {
#ifdef _WIN32
    const fs::path script = folder / "replay.cmd";
    std::vector<std::string> argv{"C:\\windows\\system32\\cmd.exe", "/c", script.string()};
#else
    const fs::path script = folder / "replay.sh";
    std::vector<std::string> argv{script.string()};
#endif
    EXPECT_TRUE(fs::exists(script)) << script;
    simhost::ChildResult child = simhost::runChild(argv, 600);
    child.out = withNewlines(child.out);
    return child;
}

TEST_F(ValidateReport, ArtifactFoldersReplayEachFailureAndACrashNamesTheCrashingFunction) {
    struct Case {
        const char* plugin;
        const char* crashIn;
        const char* test;
        std::vector<const char*> files;  // besides the replay script and result.json
    };
    const std::vector<Case> cases = {
        {"crashing", "processReplacing", "render.finite", {"stderr.txt", "stack.txt"}},
        {"crashing", "effSetChunk", "state.damaged", {"stderr.txt", "stack.txt", "valid-chunk.bin", "damaged-chunk.bin"}},
        {"sharedstate", "", "render.direct", {"probe-log.txt", "midi.mid"}},
    };
    for (const Case& fault : cases) {
        SCOPED_TRACE(std::string(fault.plugin) + " " + fault.test);
        const fs::path artifacts = scratch / (std::string(fault.plugin) + "-" + fault.test);
        const fs::path json = scratch / "report.json";
        setEnvironment("KORVEX_CRASH_IN", fault.crashIn);
        const simhost::ChildResult run = validate(
            fault.plugin, {"--only", std::string("load,") + fault.test, "--seed", "5", "--artifacts", artifacts.string(),
                           "--json", json.string()});
        ASSERT_EQ(run.exitCode, 1) << run.out << run.err;
        const nlohmann::json report = nlohmann::json::parse(slurp(json));
        EXPECT_EQ(slurp(artifacts / "summary.json"), slurp(json));
        const nlohmann::json failed = testNamed(report, fault.test);
        ASSERT_EQ(failed["status"], "failed") << run.out;
        const std::string message = failed["messages"][0];

        const fs::path folder = artifacts / fault.test;
        EXPECT_FALSE(fs::exists(artifacts / "load")) << "a test that passed leaves no folder";
        EXPECT_TRUE(fs::exists(folder / "result.json"));
        // (The damaged chunk a plug-in crashes on may well be the empty one.)
        for (const char* file : fault.files) EXPECT_TRUE(fs::exists(folder / file)) << file;
        if (std::string(fault.crashIn).size() > 0) {
            // The stack starts in the plug-in, at the function that faulted, not in the handler.
            EXPECT_NE(slurp(folder / "stderr.txt").find("the plug-in crashed"), std::string::npos);
            const std::string stack = slurp(folder / "stack.txt");
            EXPECT_EQ(stack.rfind("#0 ", 0), 0u) << stack;
#if defined(_WIN32) || defined(__SANITIZE_THREAD__)
            // A fault the C runtime (or the thread sanitizer's interceptor) turns into a signal is
            // walked from the handler: the plug-in's frame follows the runtime's own.
            const std::string crashingPart = stack;
#else
            const std::string crashingPart = stack.substr(0, stack.find('\n'));
#endif
            for (const std::string& part : kCrashingFrame)
                EXPECT_NE(crashingPart.find(part), std::string::npos) << part << "\n" << stack;
            EXPECT_EQ(failed["stack"], stack);
#ifdef _WIN32
            EXPECT_GT(fs::file_size(folder / "crash.dmp"), 0u);
#endif
        }
        if (std::string(fault.test) == "render.direct") {
            for (const char* file : {"input.wav", "module.wav", "direct.wav", "difference.wav"})
                EXPECT_GT(fs::file_size(folder / file), 44u) << file;
            ASSERT_TRUE(failed.contains("charts"));
            EXPECT_GE(failed["charts"][0]["series"][0]["y"].size(), 80u) << "the picture reaches past the difference";
        }

        // The script brings its own settings: the environment of this test is not the run's.
        setEnvironment("KORVEX_CRASH_IN", "");
        const simhost::ChildResult again = replay(folder);
        EXPECT_EQ(again.exitCode, 1) << again.out << again.err;
        EXPECT_NE(again.out.find(message), std::string::npos) << "expected: " << message << "\n" << again.out;
        EXPECT_NE(again.out.find("0 passed, 1 failed"), std::string::npos) << again.out;
    }
}

// The DOM a headless chromium builds from a page; empty when there is no chromium.
std::string domOf(const fs::path& page, const fs::path& profile) {
    std::string browser = korvex_validate::findProgram("chromium");
    if (browser.empty()) return {};
    const simhost::ChildResult child =
        simhost::runChild({browser, "--headless", "--no-sandbox", "--disable-gpu", "--user-data-dir=" + profile.string(),
                           "--dump-dom", "file://" + fs::absolute(page).string()},
                          120);
    EXPECT_EQ(child.exitCode, 0) << child.err;
    EXPECT_NE(child.out.find("</html>"), std::string::npos) << child.out.substr(0, 400);
    return child.out;
}

std::vector<std::pair<std::string, std::string>> sections(const std::string& dom) {
    std::vector<std::pair<std::string, std::string>> found;
    const std::regex section("<section class=\"test [a-z]+\" id=\"test-[0-9]+\" data-name=\"([^\"]+)\" "
                             "data-status=\"([a-z]+)\"");
    for (auto it = std::sregex_iterator(dom.begin(), dom.end(), section); it != std::sregex_iterator(); ++it)
        found.emplace_back((*it)[1], (*it)[2]);
    return found;
}

// The number of points of each series drawn in the section of `test`.
std::vector<int> seriesPoints(const std::string& dom, const std::string& test) {
    const size_t start = dom.find("data-name=\"" + test + "\" data-status=");
    const size_t end = dom.find("</section>", start);
    std::vector<int> points;
    if (start == std::string::npos) return points;
    const std::string section = dom.substr(start, end - start);
    const std::regex polyline("<polyline class=\"series\" data-name=\"[^\"]*\" data-points=\"([0-9]+)\"");
    for (auto it = std::sregex_iterator(section.begin(), section.end(), polyline); it != std::sregex_iterator(); ++it)
        points.push_back(std::stoi((*it)[1]));
    return points;
}

int severity(const std::string& status) {
    return status == "failed" ? 0 : status == "warned" ? 1 : status == "passed" ? 2 : 3;
}

TEST_F(ValidateReport, TheHtmlReportsAndTheSurveyIndexOpenInABrowserWithEveryTestAndTheirCharts) {
    if (korvex_validate::findProgram("chromium").empty()) GTEST_SKIP() << "no chromium to open the pages with";
    std::string noDisplay;
    const bool editor = display_testing::haveDisplay(&noDisplay);
    struct Run {
        const char* plugin;
        std::string tests;
        const char* verdict;
    };
    const std::vector<Run> runs = {
        {"sharedstate", "load,description,render.direct,render.instances,timing", "failed"},
        {"wellbehaved", std::string("load,description,render.direct,timing") + (editor ? ",editor.cycle" : ""), "passed"},
    };
    std::vector<std::string> reports;
    for (const Run& run : runs) {
        SCOPED_TRACE(run.plugin);
        const fs::path json = scratch / (std::string(run.plugin) + ".json");
        const fs::path html = scratch / (std::string(run.plugin) + ".html");
        const simhost::ChildResult done = validate(
            run.plugin, {"--only", run.tests, "--seed", "8", "--json", json.string(), "--html", html.string()});
        ASSERT_EQ(done.exitCode, std::string(run.verdict) == "failed" ? 1 : 0) << done.out << done.err;
        reports.push_back(json.string());
        const nlohmann::json report = nlohmann::json::parse(slurp(json));

        const std::string dom = domOf(html, scratch / "profile");
        EXPECT_NE(dom.find(std::string("data-verdict=\"") + run.verdict + "\""), std::string::npos);
        const auto shown = sections(dom);
        ASSERT_EQ(shown.size(), report["tests"].size()) << dom.substr(0, 2000);
        for (const nlohmann::json& test : report["tests"])
            EXPECT_NE(std::find(shown.begin(), shown.end(), std::make_pair(test["name"].get<std::string>(),
                                                                             test["status"].get<std::string>())),
                      shown.end())
                << test["name"];
        for (size_t i = 1; i < shown.size(); ++i)
            EXPECT_LE(severity(shown[i - 1].second), severity(shown[i].second)) << "failures first: " << shown[i].first;

        // The module's cost by block size: two lines of six block sizes each.
        EXPECT_EQ(seriesPoints(dom, "timing"), (std::vector<int>{6, 6}));
        if (std::string(run.verdict) == "failed") {
            // Both waveforms, then their difference, around the first differing sample.
            const std::vector<int> waves = seriesPoints(dom, "render.direct");
            ASSERT_EQ(waves.size(), 3u);
            for (int points : waves) EXPECT_GE(points, 80);
            EXPECT_NE(dom.find("first difference ("), std::string::npos);
            EXPECT_NE(dom.find("validate --only render.direct --seed 8"), std::string::npos);
        }
        if (editor && std::string(run.plugin) == "wellbehaved") {
            EXPECT_NE(dom.find("<img class=\"screenshot\""), std::string::npos) << "the editor's picture";
        }
    }

    const fs::path index = scratch / "index.html";
    std::vector<std::string> argv{binary.string(), "validate", "--index", index.string()};
    argv.insert(argv.end(), reports.begin(), reports.end());
    const simhost::ChildResult written = simhost::runChild(argv, 60);
    ASSERT_EQ(written.exitCode, 0) << written.err;
    const std::string dom = domOf(index, scratch / "profile");
    for (const char* plugin : {"sharedstate", "wellbehaved"}) {
        const std::string file = std::string(plugin) + simhost::librarySuffix();
        EXPECT_NE(dom.find("<a href=\"" + std::string(plugin) + ".html\">" + file + "</a>"), std::string::npos)
            << plugin << "\n" << dom;
    }
    EXPECT_NE(dom.find("<td class=\"failed\" title=\"render.direct\">failed</td>"), std::string::npos);
}

}  // namespace
