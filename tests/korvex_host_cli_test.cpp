// korvex-host's promise on every command: an error is one line on stderr and exit code 1, however
// it was found; nothing on disk changes when a command fails; validate leaves its reports whatever
// happens; and the temporary folder is left as it was found.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <thread>

#include "install_folder.h"
#include "process_environment.h"
#include "simhost/child_process.h"
#include "tools/korvex-host/progress.h"

namespace {

namespace fs = std::filesystem;
using testing_support::buildDir;
using testing_support::setEnvironment;

// A hung plug-in's time-out: above what loading takes under Wine or a sanitizer, and no more.
#ifdef _WIN32
const std::string kHangTimeout = "20";
// Windows keeps a loaded library's file until the process ends, and the module never unloads its
// plug-in: a command's own copy of it outlives the command there.
constexpr bool kLoadedCopiesAreRemoved = false;
#else
const std::string kHangTimeout = "5";
constexpr bool kLoadedCopiesAreRemoved = true;
#endif

#ifdef _WIN32
const std::vector<const char*> kTemporaryVariables = {"TMP", "TEMP"};
#else
const std::vector<const char*> kTemporaryVariables = {"TMPDIR"};
#endif

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A Windows program's text-mode streams end lines with "\r\n".
std::string withNewlines(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    return text;
}

// Every file under a folder with its bytes: "nothing changed on disk" is this, unchanged.
std::map<std::string, std::string> contents(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).generic_string();
        files[name] = entry.is_directory() ? std::string("<folder>") : slurp(entry.path());
    }
    return files;
}

struct Outcome {
    int code = -1;
    std::string out, err;
};

// Each test runs the tool in a work folder of its own (its current folder, so relative paths are
// tried too) with the system's temporary folder pointed at an empty folder of the test's.
class KorvexHostCli : public ::testing::Test {
protected:
    void SetUp() override {
        binary = buildDir() / (std::string("korvex-host") + simhost::executableSuffix());
        if (!fs::exists(binary)) GTEST_SKIP() << "korvex-host is not built at " << binary;
        scratch = fs::temp_directory_path() / ("korvex-cli-test-" + std::to_string(testing_support::processId()) + "-" +
                                               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(scratch);
        work = scratch / "work";
        temporary = scratch / "tmp";
        fs::create_directories(work);
        fs::create_directories(temporary);
        previousFolder = fs::current_path();
        fs::current_path(work);
        for (const char* name : kTemporaryVariables) {
            const char* value = std::getenv(name);
            previousTemporary.emplace_back(value ? value : "");
            setEnvironment(name, temporary.string());
        }
        std::ofstream(work / "notes.txt") << "not a library\n";
        std::ofstream(work / "old.wav") << "an older file of that name\n";
        fs::create_directories(work / "folder");
    }
    void TearDown() override {
        if (scratch.empty()) return;
        for (size_t i = 0; i < previousTemporary.size(); ++i) setEnvironment(kTemporaryVariables[i], previousTemporary[i]);
        setEnvironment("KORVEX_CRASH_IN", "");
        fs::current_path(previousFolder);
        std::error_code ignored;
        fs::remove_all(scratch, ignored);
    }

    Outcome run(std::vector<std::string> arguments, double timeout = 120.0) const {
        arguments.insert(arguments.begin(), binary.string());
        const simhost::ChildResult child = simhost::runChild(arguments, timeout);
        Outcome outcome;
        outcome.code = child.exited ? child.exitCode : -1;
        outcome.out = withNewlines(child.out);
        outcome.err = withNewlines(child.err);
        return outcome;
    }

    static std::string plugin(const std::string& name) { return testing_support::pluginFile(name).string(); }
    std::string path(const std::string& name) const { return (work / name).string(); }

    // The contract of a failed command: one line naming the problem, exit code 1, the work
    // folder as it was and the temporary folder empty.
    void expectRefused(const std::vector<std::string>& arguments, const std::string& expected,
                       bool temporaryChecked = true) const {
        std::string line;
        for (const std::string& argument : arguments) line += argument + " ";
        SCOPED_TRACE(line);
        const auto before = contents(work);
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.code, 1) << outcome.err;
        EXPECT_EQ(std::count(outcome.err.begin(), outcome.err.end(), '\n'), 1) << outcome.err;
        EXPECT_EQ(outcome.err.rfind("korvex-host: ", 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find(expected), std::string::npos) << outcome.err;
        EXPECT_EQ(contents(work), before) << "a failed command changed files";
        if (temporaryChecked) {
            EXPECT_TRUE(fs::is_empty(temporary)) << "left in the temporary folder";
        }
    }

    // Whether this build renders (Windows builds without libsndfile say they do not).
    bool renders() const { return run({"render", "--help"}).out.find("not available") == std::string::npos; }

    fs::path binary, scratch, work, temporary, previousFolder;
    std::vector<std::string> previousTemporary;
};

TEST_F(KorvexHostCli, ArgumentErrorsAreOneLineWithExitCodeOneWhateverTheParserFound) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{}, "no command given"},
        {{"frobnicate"}, "no command 'frobnicate'"},
        {{"--bogus", "params"}, "--bogus"},
        {{"validate", "--level", "11"}, "--level"},
        {{"validate", "--level", "high"}, "--level"},
        {{"validate", "--repeat", "0"}, "--repeat"},
        {{"validate", "--only", "nosuch"}, "no test or group named 'nosuch'"},
        {{"validate", "--json"}, "--json needs a FILE"},
        {{"state"}, "state wants save FILE or load FILE"},
        {{"state", "bogus", "x"}, "state: no command 'bogus'"},
        {{"state", "save"}, "file"},
        {{"editor", "--ticks", "-1"}, "--ticks"},
        {{"params", "--module"}, "--module"},
    };
    for (const auto& [arguments, expected] : cases) expectRefused(arguments, expected);

    const Outcome version = run({"--version"});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out.rfind("korvex-host ", 0), 0u) << version.out;
    EXPECT_EQ(std::count(version.out.begin(), version.out.end(), '\n'), 1) << version.out;
    EXPECT_EQ(run({"--help"}).code, 0);
}

TEST_F(KorvexHostCli, BadFilesAreNamedAndRefusedBeforeAnythingLoads) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        // Relative names are the user's, resolved against the current folder.
        {{"--vst", "missing.so", "params"}, "VST plug-in not found: " + path("missing.so")},
        {{"--vst", "notes.txt", "params"}, "exists but is not a library"},
        {{"--vst", "missing.so", "describe"}, "VST plug-in not found"},
        {{"--module", "notes.txt", "describe"}, "cannot load module"},
        {{"state", "load", "folder"}, "cannot read state file folder: it is a folder"},
        {{"state", "load", "notes.txt"}, "notes.txt is not a korvex-host state file"},
        {{"state", "load", "missing.state"}, "cannot read state file missing.state"},
        {{"state", "save", "nodir/x.state"}, "folder nodir does not exist"},
        {{"state", "save", "folder"}, "it is a folder"},
        {{"state", "save", "x.state", "--set", "gain=2"}, "[0, 1]"},
        {{"editor", "--screenshot", "shot.jpg"}, "PNG only"},
        {{"editor", "--screenshot", "nodir/shot.png"}, "folder nodir does not exist"},
        {{"editor", "--set", "gain"}, "ID=VALUE"},
        {{"validate", "--json", "nodir/r.json"}, "folder nodir does not exist"},
        {{"validate", "--junit", "folder"}, "it is a folder"},
    };
    for (const auto& [arguments, expected] : cases) expectRefused(arguments, expected);
}

TEST_F(KorvexHostCli, RenderRefusesBadInputsAndOutputsWithoutTouchingAnOlderFile) {
    if (!renders()) GTEST_SKIP() << "this build has no render command";
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"--out", "old.wav", "--state-out", "nodir/s.bin"}, "folder nodir does not exist"},
        {{"--out", "old.wav", "--state-out", "old.wav"}, "the same file as --out"},
        {{"--out", "nodir/x.wav"}, "folder nodir does not exist"},
        {{"--out", "old.wav", "--midi", "folder"}, "cannot read MIDI file folder: it is a folder"},
        {{"--out", "old.wav", "--state-in", "folder"}, "it is a folder"},
        {{"--out", "old.wav", "--meter", "4/0"}, "--meter 4/0"},
        {{"--out", "old.wav", "--set", "gain=0.5,gain=7"}, "[0, 1]"},
    };
    for (const auto& [arguments, expected] : cases) {
        std::vector<std::string> command{"render"};
        command.insert(command.end(), arguments.begin(), arguments.end());
        expectRefused(command, expected);
    }
    // Found only once the plug-in is loaded: the older file still stays as it was.
    expectRefused({"render", "--seconds", "0.1", "--out", "old.wav", "--set", "nope=1"}, "unknown parameter ID 'nope'",
                  kLoadedCopiesAreRemoved);
#ifndef _WIN32
    // A plug-in that crashes mid-render leaves neither a half-written file nor its temporary copy.
    setEnvironment("KORVEX_CRASH_IN", "processReplacing");
    expectRefused({"--vst", plugin("crashing"), "render", "--seconds", "0.1", "--out", "old.wav"},
                  "the plug-in crashed during processReplacing");
#endif
}

TEST_F(KorvexHostCli, RendersAreTheSameBytesForTheSameInputAndNotesSayWhatIsMissing) {
    if (!renders()) GTEST_SKIP() << "this build has no render command";
    ASSERT_EQ(run({"render", "--seconds", "0.2", "--set", "gain=0.3,cutoff=0.4", "--out", "a.wav"}).code, 0);
    ASSERT_EQ(run({"render", "--seconds", "0.2", "--set", "gain=0.3", "--set", "cutoff=0.4", "--out", "b.wav"}).code, 0);
    EXPECT_EQ(slurp(path("a.wav")), slurp(path("b.wav")));
    // The same name again replaces the file.
    ASSERT_EQ(run({"render", "--seconds", "0.1", "--out", "old.wav"}).code, 0);
    EXPECT_EQ(slurp(path("old.wav")).rfind("RIFF", 0), 0u);
    if (kLoadedCopiesAreRemoved) {
        EXPECT_TRUE(fs::is_empty(temporary));
    }
}

TEST_F(KorvexHostCli, ValidateWritesItsReportsWhenThePlugInIsMissingAndReplacesStaleOnes) {
    std::ofstream(work / "r.json") << "stale";
    std::ofstream(work / "r.xml") << "stale";
    const Outcome outcome =
        run({"--vst", "missing.so", "validate", "--only", "render, state", "--json", "r.json", "--junit", "r.xml"});
    EXPECT_EQ(outcome.code, 1);
    EXPECT_EQ(outcome.err, "korvex-host: VST plug-in not found: " + path("missing.so") + "\n");
    const nlohmann::json report = nlohmann::json::parse(slurp(path("r.json")));
    ASSERT_FALSE(report["tests"].empty());
    EXPECT_EQ(report["tests"][0]["name"], "load");
    EXPECT_EQ(report["tests"][0]["status"], "failed");
    EXPECT_EQ(report["summary"]["failed"], 1);
    for (size_t i = 1; i < report["tests"].size(); ++i) {
        const std::string name = report["tests"][i]["name"];
        EXPECT_TRUE(name.rfind("render.", 0) == 0 || name.rfind("state.", 0) == 0) << name;
        EXPECT_EQ(report["tests"][i]["status"], "skipped") << name;
    }
    const std::string junit = slurp(path("r.xml"));
    EXPECT_EQ(junit.rfind("<?xml", 0), 0u) << junit;
    EXPECT_NE(junit.find("VST plug-in not found"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(temporary));

    const Outcome list = run({"validate", "--list", "--json"});
    ASSERT_EQ(list.code, 0) << list.err;
    const nlohmann::json tests = nlohmann::json::parse(list.out);
    ASSERT_TRUE(tests.is_array());
    EXPECT_EQ(tests[0]["name"], "load");
}

// A crash with no process between the plug-in and the runner still leaves reports that say the
// run ended there, and no older report of that name.
TEST_F(KorvexHostCli, ValidateWithoutIsolationLeavesReportsNamingTheTestTheRunEndedIn) {
    std::ofstream(work / "r.json") << "stale";
    setEnvironment("KORVEX_CRASH_IN", "processReplacing");
    const Outcome outcome = run({"--vst", plugin("crashing"), "validate", "--no-isolation", "--only", "load,render.finite",
                                 "--seed", "1", "--json", "r.json", "--junit", "r.xml"});
    EXPECT_EQ(outcome.code, 1);
    EXPECT_NE(outcome.err.find("the plug-in crashed during processReplacing"), std::string::npos) << outcome.err;
    const nlohmann::json report = nlohmann::json::parse(slurp(path("r.json")));
    EXPECT_EQ(report["interrupted"], true);
    EXPECT_EQ(report["interruption"], "the run ended during render.finite");
    ASSERT_EQ(report["tests"].size(), 2u);
    EXPECT_EQ(report["tests"][0]["status"], "passed");
    EXPECT_EQ(report["tests"][1]["name"], "render.finite");
    EXPECT_EQ(report["tests"][1]["status"], "failed");
    EXPECT_NE(slurp(path("r.xml")).find("name=\"render.finite\""), std::string::npos);
#ifndef _WIN32
    EXPECT_TRUE(fs::is_empty(temporary)) << "a crash under --no-isolation left temporary folders";
#endif
}

// Crashing, hanging and failing plug-ins end their test processes every way there is; the
// temporary folder is as empty afterwards as before. Chunk IDs print as integers.
TEST_F(KorvexHostCli, ValidatingFaultyPlugInsLeavesTheTemporaryFolderAsItWas) {
    setEnvironment("KORVEX_CRASH_IN", "processReplacing");
    const Outcome crashing = run({"--vst", plugin("crashing"), "validate", "--only", "load,render.finite,parameters.ids",
                                  "--seed", "2", "--json", "crashing.json"});
    EXPECT_EQ(crashing.code, 1) << crashing.err;
    EXPECT_NE(crashing.out.find("2 passed, 1 failed, 0 skipped"), std::string::npos) << crashing.out;
    EXPECT_TRUE(fs::is_empty(temporary)) << "after the crashing plug-in";
    const nlohmann::json report = nlohmann::json::parse(slurp(path("crashing.json")));
    const nlohmann::json& load = report["tests"][0];
    ASSERT_EQ(load["name"], "load");
    EXPECT_TRUE(load["figures"]["unique_id"].is_number_integer()) << load["figures"]["unique_id"];
    EXPECT_EQ(load["codes"]["unique_id"].get<std::string>().size(), 4u) << load;
    setEnvironment("KORVEX_CRASH_IN", "");

    const Outcome hanging = run({"--vst", plugin("hanging"), "validate", "--only", "state.damaged", "--timeout",
                                 kHangTimeout, "--seed", "2"});
    EXPECT_EQ(hanging.code, 1);
    EXPECT_NE(hanging.out.find("timed out"), std::string::npos) << hanging.out;
    EXPECT_TRUE(fs::is_empty(temporary)) << "after the hanging plug-in";

    const Outcome failing = run({"--vst", plugin("nanout"), "validate", "--only", "render.finite", "--seed", "2"});
    EXPECT_EQ(failing.code, 1);
    EXPECT_NE(failing.out.find("0 passed, 1 failed, 0 skipped"), std::string::npos) << failing.out;
    EXPECT_TRUE(fs::is_empty(temporary)) << "after the failing plug-in";
}

#ifndef _WIN32
// A validate run interrupted with SIGINT once `underway` says so (asked every 20 ms, for two
// minutes at most): how the process ended, and how long that took from its start.
struct Interrupted {
    int status = 0;
    bool ended = false;
    bool wasUnderway = false;
    std::chrono::steady_clock::duration took{};
};

Interrupted interruptValidate(const std::vector<std::string>& arguments, const std::string& errFile,
                              const std::function<bool()>& underway) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    Interrupted run;
    const pid_t pid = ::fork();
    if (pid < 0) return run;
    if (pid == 0) {
        std::FILE* err = std::freopen(errFile.c_str(), "w", stderr);
        std::FILE* out = std::freopen("/dev/null", "w", stdout);
        if (err && out) ::execv(arguments[0].c_str(), argv.data());
        ::_exit(127);
    }
    const auto start = std::chrono::steady_clock::now();
    while (!run.wasUnderway && std::chrono::steady_clock::now() - start < std::chrono::seconds(120)) {
        run.wasUnderway = underway();
        if (!run.wasUnderway) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::kill(pid, SIGINT);
    run.ended = ::waitpid(pid, &run.status, 0) == pid;
    run.took = std::chrono::steady_clock::now() - start;
    return run;
}

// The interrupted run ended at once with exit code 1, said so in one line, and left no temporary
// folders behind.
void expectEndedByTheInterruption(const Interrupted& run, const std::string& errFile, const std::string& errLine,
                                  const fs::path& temporary) {
    EXPECT_TRUE(run.wasUnderway) << "the run never got under way";
    ASSERT_TRUE(run.ended);
    EXPECT_LT(run.took, std::chrono::seconds(150)) << "the interruption waited for a test process";
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 1);
    EXPECT_EQ(slurp(errFile), errLine);
    EXPECT_TRUE(fs::is_empty(temporary)) << "the interrupted run left temporary folders";
}

// SIGINT while a test hangs: the hung test process is ended, the report holds what ran and says
// it was interrupted, and nothing is left behind. The report written before each test is also
// the sign that the test is under way.
TEST_F(KorvexHostCli, AnInterruptedValidateRunEndsTheRunningTestAndKeepsTheReport) {
    const std::string host = binary.string(), vst = plugin("hanging");
    const std::vector<std::string> arguments{host,      "--vst",   vst,      "validate", "--only",
                                             "load,state.roundtrip,state.damaged", "--timeout", "300",
                                             "--seed",  "4",       "--json", "r.json"};
    const std::string errFile = path("err.txt");
    const Interrupted run = interruptValidate(arguments, errFile, [&] {
        return slurp(path("r.json")).find("the run ended during state.damaged") != std::string::npos;
    });
    expectEndedByTheInterruption(
        run, errFile, "korvex-host: validate: interrupted after 2 of 3 tests; the reports hold those\n", temporary);
    const nlohmann::json report = nlohmann::json::parse(slurp(path("r.json")));
    EXPECT_EQ(report["interrupted"], true);
    ASSERT_EQ(report["tests"].size(), 2u);
    EXPECT_EQ(report["tests"][1]["name"], "state.roundtrip");
}

// The same with tests side by side: every hung test process ends, not only the last one started.
TEST_F(KorvexHostCli, AnInterruptedParallelRunEndsEveryRunningTest) {
    const std::vector<std::string> arguments{binary.string(), "--vst",  plugin("hanging"), "validate", "--only",
                                             "state.damaged",  "--repeat", "2", "-j", "2", "--timeout", "300",
                                             "--seed",         "4",     "--json",          "r.json"};
    const std::string errFile = path("err.txt");
    // Each test process installs the plug-in in a folder of its own under the temporary folder.
    const auto installs = [&] {
        size_t count = 0;
        std::error_code error;
        for (auto it = fs::recursive_directory_iterator(temporary, error); !error && it != fs::end(it);
             it.increment(error))
            count += it->path().filename().string().rfind("korvex-install-", 0) == 0;
        return count;
    };
    const Interrupted run = interruptValidate(arguments, errFile, [&] { return installs() >= 2; });
    expectEndedByTheInterruption(
        run, errFile, "korvex-host: validate: interrupted after 0 of 2 tests; the reports hold those\n", temporary);
}
#endif

// Progress appears only for work that outlasts the quiet time; in a log, as a line per interval.
TEST(Progress, StaysQuietForShortWorkAndWritesPlainLinesInALog) {
    using korvex_host::ProgressBar;
    std::FILE* log = std::tmpfile();
    ASSERT_NE(log, nullptr);
    const auto start = ProgressBar::Clock::now();
    {
        ProgressBar progress(100, false, "render", log);
        progress.update(50, start + ProgressBar::kQuietTime / 2);
        progress.update(60, start + ProgressBar::kQuietTime + std::chrono::seconds(1));
        progress.update(70, start + ProgressBar::kQuietTime + std::chrono::seconds(2));
        progress.update(90, start + ProgressBar::kQuietTime + ProgressBar::kLogInterval + std::chrono::seconds(1));
        progress.finish();
        progress.update(100, start + std::chrono::hours(1));
    }
    std::rewind(log);
    std::string text;
    for (int c = std::fgetc(log); c != EOF; c = std::fgetc(log)) text += static_cast<char>(c);
    std::fclose(log);
    EXPECT_EQ(text, "korvex-host: render: 60% after 4 s\nkorvex-host: render: 90% after 14 s\n");
}

}  // namespace
