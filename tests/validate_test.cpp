// `korvex-host validate` as a vendor runs it: the reference and a well-behaved plug-in pass at
// level 10, each faulty plug-in fails exactly the tests it should with the reason, bad libraries
// fail the load test alone, and the JSON and JUnit reports agree with what ran.
#include <gtest/gtest.h>
#ifdef KORVEX_HAVE_LIBXML2
#include <libxml/parser.h>
#include <libxml/xmlschemas.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <string>
#include <vector>

#include "install_folder.h"
#include "process_environment.h"
#include "simhost/child_process.h"
#include "virtual_display.h"
#include "xml_outline.h"

namespace {

namespace fs = std::filesystem;
using testing_support::buildDir;
using testing_support::setEnvironment;

// How the tool names the fault the crashing plug-in makes (a write through a null pointer).
#ifdef _WIN32
const std::string kNullWriteFault = " (exception 0xC0000005)";
#else
const std::string kNullWriteFault = " (SIGSEGV)";
#endif

// The hanging plug-in's time-out: short, but above what its healthy tests take, also under a
// sanitizer or under Wine on a busy machine (a level-10 render test there takes up to a second or
// so, an editor test a few).
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
const std::string kHangTimeout = "30";
#elif defined(_WIN32)
const std::string kHangTimeout = "15";
#else
const std::string kHangTimeout = "10";
#endif
// Every other faulty plug-in keeps a limit no healthy test comes near.
const std::string kFaultTimeout = "60";

struct Outcome {
    int code = -1;
    std::string out, err;
    nlohmann::json json;
    fs::path junit;
};

std::string slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A Windows program's text-mode streams end lines with "\r\n".
std::string withNewlines(std::string text) {
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
    return text;
}

std::string lastLine(const std::string& text) {
    const size_t end = text.find_last_not_of('\n');
    if (end == std::string::npos) return {};
    const size_t start = text.rfind('\n', end);
    return text.substr(start == std::string::npos ? 0 : start + 1, end - (start == std::string::npos ? 0 : start + 1) + 1);
}

class Validate : public ::testing::Test {
protected:
    void SetUp() override {
        binary = buildDir() / (std::string("korvex-host") + simhost::executableSuffix());
        if (!fs::exists(binary)) GTEST_SKIP() << "korvex-host is not built at " << binary;
        scratch = fs::temp_directory_path() /
                  ("korvex-validate-test-" + std::to_string(testing_support::processId()) + "-" +
                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(scratch);
        fs::create_directories(scratch);
    }
    void TearDown() override {
        setEnvironment("KORVEX_CRASH_IN", "");
        std::error_code ignored;
        if (!scratch.empty()) fs::remove_all(scratch, ignored);
    }

    static std::string plugin(const std::string& name) { return testing_support::pluginFile(name).string(); }

    // validate over `vst` (empty: the reference plug-in) with the JSON and JUnit reports.
    Outcome validate(const std::string& vst, std::vector<std::string> arguments) const {
        std::vector<std::string> argv{binary.string()};
        if (!vst.empty()) argv.insert(argv.end(), {"--vst", vst});
        argv.push_back("validate");
        Outcome run;
        const fs::path json = scratch / "report.json";
        run.junit = scratch / "report.xml";
        fs::remove(json);
        fs::remove(run.junit);
        arguments.insert(arguments.end(), {"--json", json.string(), "--junit", run.junit.string()});
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        const simhost::ChildResult child = simhost::runChild(argv, 600);
        run.code = child.exited ? child.exitCode : -1;
        run.out = withNewlines(child.out);
        run.err = withNewlines(child.err);
        if (fs::exists(json)) run.json = nlohmann::json::parse(slurp(json));
        return run;
    }

    fs::path binary;
    fs::path scratch;
};

std::map<std::string, nlohmann::json> byName(const Outcome& run) {
    std::map<std::string, nlohmann::json> tests;
    for (const nlohmann::json& test : run.json.at("tests")) tests[test.at("name").get<std::string>()] = test;
    return tests;
}

std::set<std::string> withStatus(const Outcome& run, const std::string& status) {
    std::set<std::string> names;
    for (const nlohmann::json& test : run.json.at("tests"))
        if (test.at("status") == status) names.insert(test.at("name").get<std::string>());
    return names;
}

// Sanitizer builds cannot count heap calls; their render.allocation is skipped, saying why.
bool countsHeapCalls(const Outcome& run) {
    for (const nlohmann::json& test : run.json.at("tests"))
        if (test.at("name") == "render.allocation")
            return test.at("messages").empty() ||
                   test.at("messages")[0].get<std::string>().find("cannot count heap calls") == std::string::npos;
    return true;
}

// Nor can they watch locks, sleeps and I/O; render.realtime is skipped then.
bool watchesBlockingCalls(const Outcome& run) {
    for (const nlohmann::json& test : run.json.at("tests"))
        if (test.at("name") == "render.realtime")
            return test.at("messages").empty() ||
                   test.at("messages")[0].get<std::string>().find("cannot watch locks") == std::string::npos;
    return true;
}

// Without a display the editor tests are skipped, and nothing else may be.
void expectEverythingPassed(const Outcome& run) {
    ASSERT_EQ(run.code, 0) << run.out << run.err;
    ASSERT_TRUE(run.json.is_object()) << run.out;
    EXPECT_EQ(withStatus(run, "failed"), std::set<std::string>{}) << run.out;
    for (const std::string& name : withStatus(run, "skipped"))
        EXPECT_TRUE(name.rfind("editor.", 0) == 0 || (name == "render.allocation" && !countsHeapCalls(run)) ||
                    (name == "render.realtime" && !watchesBlockingCalls(run)))
            << name;
    EXPECT_EQ(run.json["summary"]["failed"], 0);
    EXPECT_EQ(lastLine(run.out).find(std::to_string(run.json["summary"]["passed"].get<int>()) + " passed, 0 failed"), 0u)
        << lastLine(run.out);
}

TEST_F(Validate, TheReferencePlugInPassesEveryTestAtLevelTen) {
    const Outcome run = validate("", {"--level", "10", "--seed", "11"});
    expectEverythingPassed(run);
    const auto tests = byName(run);
    EXPECT_EQ(tests.size(), 29u);
    // The figures a vendor reads: the plug-in is a synth, 12 of its 13 parameters reach the host.
    EXPECT_EQ(tests.at("load")["figures"]["synth"], 1);
    EXPECT_EQ(tests.at("parameters.ids")["figures"]["host_parameters"], 12);
#ifdef _WIN32
    EXPECT_TRUE(countsHeapCalls(run)) << "Windows counts heap calls through the import tables";
#endif
    if (countsHeapCalls(run)) {
        EXPECT_EQ(tests.at("render.allocation")["figures"]["allocations"], 0);
        EXPECT_GT(tests.at("render.allocation")["figures"]["render_calls"].get<double>(), 1000.0);
    }
    if (watchesBlockingCalls(run)) {
        EXPECT_EQ(tests.at("render.realtime")["figures"]["blocking_calls"], 0);
        EXPECT_GT(tests.at("render.realtime")["figures"]["render_calls"].get<double>(), 1000.0);
    }
    EXPECT_TRUE(tests.at("timing")["figures"].contains("overhead_us_512"));
    for (const auto& [name, test] : tests) EXPECT_EQ(test["seed"], 11) << name;
}

TEST_F(Validate, AWellBehavedPlugInPassesEveryTestAtLevelTen) {
    expectEverythingPassed(validate(plugin("wellbehaved"), {"--level", "10", "--seed", "5"}));
}

struct FaultCase {
    const char* plugin;
    const char* crashIn;  // KORVEX_CRASH_IN for the crashing build
    std::set<std::string> failing;
    std::string reason;     // in the first message of every failing test...
    const char* only = "";  // ...or of this one alone
};

// Test lists show the plug-in, not the case's bytes.
void PrintTo(const FaultCase& fault, std::ostream* out) { *out << fault.plugin << ' ' << fault.crashIn; }

// What a plug-in that crashes whenever it renders fails.
const std::set<std::string>& renderingTests() {
    static const std::set<std::string> rendering = {
        "render.finite",   "parameters.bypass", "render.mono",       "render.direct",  "state.roundtrip",
        "state.damaged",   "midi.offsets",      "midi.dense",        "midi.notes-off", "render.instances",
        "transport.time",  "render.rates",      "render.allocation", "render.realtime", "render.guards",
        "render.latency",  "render.tail",       "lifecycle.many",    "parameters.threads", "timing"};
    return rendering;
}

std::vector<FaultCase> faultCases() {
    const std::string hangReason = "timed out after " + kHangTimeout + ".0 s, during effSetChunk";
    return {
        {"nanout", "", {"render.finite", "render.mono", "render.direct", "render.instances", "render.rates"},
         "non-finite samples"},
        {"allocating", "", {"render.allocation"}, "inside the plug-in's own calls, 0 in the module's"},
        {"stereoonly", "", {"render.mono"},
         "crashed during processReplacing, while rendering the mono component, whose second channel pointers are null"},
        {"hanging", "", {"state.damaged"}, hangReason},
        {"crashing", "effGetChunk", {"state.roundtrip", "state.damaged", "state.random"},
         "the plug-in crashed during effGetChunk"},
        {"crashing", "processReplacing", renderingTests(), "the plug-in crashed during processReplacing"},
        {"sharedstate", "", {"render.direct", "render.mono", "render.rates", "render.instances", "state.roundtrip"},
         "two instances hosted directly with the same input differ as well", "render.direct"},
        {"lastevents", "", {"midi.notes-off"},
         "but not when they come one event per call as the module sends them: it keeps only the events of the last "
         "call before each processReplacing"},
        {"reencode", "", {"state.roundtrip"}, "the chunk read back after loading differs from the one saved: 16 bytes "
                                              "saved, 16 bytes read back, first difference at byte 3"},
#ifdef _WIN32
        // What each comes down to at the import table: the SRW lock, kernel32's Sleep, the C
        // runtime's stdio.
        {"locking", "", {"render.realtime"},
         "inside the plug-in's own calls, 0 in the module's (AcquireSRWLockExclusive x", },
        {"sleeping", "", {"render.realtime"}, "the first, Sleep, by the plug-in during processReplacing"},
        {"filewriting", "", {"render.realtime"}, "fflush x"},
#else
        {"locking", "", {"render.realtime"},
         "inside the plug-in's own calls, 0 in the module's (pthread_mutex_lock x", },
        {"sleeping", "", {"render.realtime"}, "the first, nanosleep, by the plug-in during processReplacing"},
        {"filewriting", "", {"render.realtime"}, "(fprintf x"},
#endif
        {"overrunning", "", {"render.guards"},
         "7-frame block 1: wrote 1 sample past the end of output channel 0, the first at offset 7 of a 7-frame buffer"},
        {"inputwriting", "", {"render.guards"}, "7-frame block 1: wrote into input channel 0 at offset 6 of 7"},
        {"latencylie", "", {"render.latency"},
         "declares a delay of 0 frames (initialDelay) but its output follows its input 32 frames (0.67 ms) late"},
        {"overreading", "", {"render.guards"},
         "the output depends on what lies outside the input buffers (read past an input's end or before its start): "
         "output channel 0 differs at offset 6"},
    };
}

// A case a test of its own, so that the runs spread over the test jobs.
class FaultyPlugIn : public Validate, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultyPlugIn, FailsExactlyTheTestsItShouldWithTheReason) {
    const FaultCase& fault = GetParam();
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Sanitizer runtimes own the heap and the blocking calls: these faults are invisible there
    // (the tests skip, saying why), and the plug-in would only pass every test, slowly.
    if (fault.failing == std::set<std::string>{"render.allocation"} ||
        fault.failing == std::set<std::string>{"render.realtime"})
        GTEST_SKIP() << "a sanitizer build cannot see " << fault.plugin << "'s fault";
#endif
    setEnvironment("KORVEX_CRASH_IN", fault.crashIn);
    const std::string& timeout = std::string(fault.plugin) == "hanging" ? kHangTimeout : kFaultTimeout;
    const Outcome run = validate(plugin(fault.plugin), {"--level", "10", "--seed", "3", "--timeout", timeout});
    ASSERT_TRUE(run.json.is_object()) << run.out << run.err;
    std::set<std::string> failing = fault.failing;
    if (!countsHeapCalls(run)) failing.erase("render.allocation");
    if (!watchesBlockingCalls(run)) failing.erase("render.realtime");
    // The editor tests render as well, where windows can be made: always on Windows, on Linux
    // once a display is there.
    if (fault.failing == renderingTests() && byName(run).at("editor.cycle")["status"] != "skipped")
        failing.insert({"editor.cycle", "editor.rendering"});
#ifdef _WIN32
    EXPECT_NE(byName(run).at("editor.cycle")["status"], "skipped") << "Windows always has its desktop";
#endif
    EXPECT_EQ(run.code, failing.empty() ? 0 : 1) << run.err;
    EXPECT_EQ(withStatus(run, "failed"), failing) << run.out;
    for (const auto& [name, test] : byName(run)) {
        if (!failing.count(name) || (*fault.only && name != fault.only)) continue;
        ASSERT_FALSE(test["messages"].empty()) << name;
        EXPECT_NE(test["messages"][0].get<std::string>().find(fault.reason), std::string::npos)
            << name << ": " << test["messages"][0];
        EXPECT_EQ(test["seed"], 3) << name;
        // Where it happens: the first call's stack, starting in the plug-in's own library.
        if (name == "render.realtime" && fault.failing.size() == 1) {
            ASSERT_GT(test["messages"].size(), 1u) << test["messages"];
            EXPECT_NE(test["messages"][1].get<std::string>().find(std::string(fault.plugin) + "."),
                      std::string::npos)
                << test["messages"];
        }
    }
    EXPECT_NE(lastLine(run.out).find(std::to_string(failing.size()) + " failed"), std::string::npos)
        << lastLine(run.out);
}

INSTANTIATE_TEST_SUITE_P(Validate, FaultyPlugIn, ::testing::ValuesIn(faultCases()),
                         [](const ::testing::TestParamInfo<FaultCase>& each) {
                             return std::string(each.param.plugin) + (*each.param.crashIn ? "_" : "") +
                                    each.param.crashIn;
                         });

TEST_F(Validate, ALibraryThatDoesNotLoadFailsTheLoadTestAloneWithItsReason) {
    std::ofstream(scratch / "notes.txt") << "not a library\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {(scratch / "notes.txt").string(), "cannot load the plug-in as a library"},
        {plugin("nomain"), "exports no \"main\" entry"},
        {plugin("nullmain"), "returned no plug-in"},
        {plugin("crashing"), "the plug-in crashed during the plug-in's main entry"},
    };
    setEnvironment("KORVEX_CRASH_IN", "main");
    for (const auto& [library, reason] : cases) {
        SCOPED_TRACE(library);
        const Outcome run = validate(library, {"--level", "10"});
        EXPECT_EQ(run.code, 1);
        ASSERT_TRUE(run.json.is_object()) << run.out << run.err;
        EXPECT_EQ(withStatus(run, "failed"), std::set<std::string>{"load"});
        EXPECT_EQ(withStatus(run, "passed"), std::set<std::string>{});
        const auto tests = byName(run);
        EXPECT_NE(tests.at("load")["messages"][0].get<std::string>().find(reason), std::string::npos)
            << tests.at("load")["messages"][0];
        EXPECT_NE(tests.at("render.finite")["messages"][0].get<std::string>().find("does not load"), std::string::npos);
        EXPECT_EQ(lastLine(run.out), "0 passed, 1 failed, 28 skipped");
    }
}

// JUnit as CI systems read it: well-formed, and its counts agree with the test cases it holds and
// with the JSON report.
TEST_F(Validate, TheJUnitReportIsWellFormedAndItsCountsAgree) {
    const Outcome run = validate(plugin("nanout"), {"--level", "4", "--seed", "9", "--repeat", "2"});
    ASSERT_TRUE(run.json.is_object()) << run.err;
    const std::string xml = slurp(run.junit);
    testing_support::XmlElement suites;
    try {
        suites = testing_support::XmlOutline::parse(xml);
    } catch (const std::exception& error) {
        FAIL() << error.what() << "\n" << xml;
    }
    ASSERT_EQ(suites.name, "testsuites");
    ASSERT_EQ(suites.childrenNamed("testsuite").size(), 1u) << xml;
    const testing_support::XmlElement& suite = *suites.childrenNamed("testsuite")[0];

    int cases = 0, failures = 0, skipped = 0;
    for (const testing_support::XmlElement* test : suite.childrenNamed("testcase")) {
        ++cases;
        failures += static_cast<int>(test->childrenNamed("failure").size());
        skipped += static_cast<int>(test->childrenNamed("skipped").size());
    }
    const auto attribute = [](const testing_support::XmlElement& node, const char* name) {
        const auto found = node.attributes.find(name);
        return found == node.attributes.end() ? -1 : std::atoi(found->second.c_str());
    };
    const testing_support::XmlElement& root = suites;
    for (const testing_support::XmlElement* node : {&root, &suite}) {
        EXPECT_EQ(attribute(*node, "tests"), cases) << node->name;
        EXPECT_EQ(attribute(*node, "failures"), failures) << node->name;
        EXPECT_EQ(attribute(*node, "skipped"), skipped) << node->name;
    }
    EXPECT_EQ(cases, static_cast<int>(run.json["tests"].size()));
    EXPECT_EQ(failures, run.json["summary"]["failed"].get<int>());
    EXPECT_EQ(skipped, run.json["summary"]["skipped"].get<int>());
    EXPECT_GT(failures, 0) << "nanout must fail something for the failure elements to be checked";
    // Two runs of each test, the second with the next seed.
    const auto tests = run.json["tests"];
    EXPECT_EQ(tests[0]["name"], tests[tests.size() / 2]["name"]);
    EXPECT_EQ(tests[tests.size() / 2]["seed"], 10);
}

// Valid against the schema of the common JUnit dialect, failures, skips and all.
TEST_F(Validate, TheJUnitReportIsValidAgainstTheSchema) {
#ifndef KORVEX_HAVE_LIBXML2
    GTEST_SKIP() << "schema validation needs libxml2, which this build lacks (Debian has none for mingw)";
#else
    const Outcome run = validate(plugin("nanout"), {"--level", "4", "--seed", "9", "--repeat", "2"});
    ASSERT_TRUE(run.json.is_object()) << run.err;
    ASSERT_GT(run.json["summary"]["failed"].get<int>(), 0);
    const std::string schemaPath = std::string(KORVEX_SOURCE_DIR) + "/tests/data/junit.xsd";
    xmlSchemaParserCtxtPtr parser = xmlSchemaNewParserCtxt(schemaPath.c_str());
    xmlSchemaPtr schema = xmlSchemaParse(parser);
    ASSERT_NE(schema, nullptr) << schemaPath;
    xmlDocPtr document = xmlReadFile(run.junit.c_str(), nullptr, XML_PARSE_NONET);
    ASSERT_NE(document, nullptr) << "not well-formed: " << slurp(run.junit);
    xmlSchemaValidCtxtPtr validator = xmlSchemaNewValidCtxt(schema);
    EXPECT_EQ(xmlSchemaValidateDoc(validator, document), 0) << slurp(run.junit);
    xmlSchemaFreeValidCtxt(validator);
    xmlFreeDoc(document);
    xmlSchemaFree(schema);
    xmlSchemaFreeParserCtxt(parser);
#endif
}

// The editor tests open real windows: on a virtual display here, whatever display the tests have.
TEST_F(Validate, TheEditorTestsOpenTheEditorInRealWindowsAndReportACrashInIt) {
    // A private server started with -displayfd: two runs picking a free number at once cannot race.
    KORVEX_REQUIRE_DISPLAY();
    const Outcome drawn = validate(plugin("wellbehaved"), {"--only", "editor", "--level", "10", "--seed", "4"});
    ASSERT_TRUE(drawn.json.is_object()) << drawn.out << drawn.err;
    EXPECT_EQ(drawn.code, 0) << drawn.out;
    EXPECT_EQ(withStatus(drawn, "passed"), (std::set<std::string>{"editor.cycle", "editor.rendering"})) << drawn.out;
    const auto tests = byName(drawn);
    EXPECT_EQ(tests.at("editor.cycle")["figures"]["width"], 320);
    EXPECT_EQ(tests.at("editor.cycle")["figures"]["height"], 200);
    EXPECT_GT(tests.at("editor.rendering")["figures"]["render_calls"].get<double>(), 0.0);

    setEnvironment("KORVEX_CRASH_IN", "effEditOpen");
    const Outcome crashed = validate(plugin("crashing"), {"--only", "editor", "--seed", "4"});
    ASSERT_TRUE(crashed.json.is_object()) << crashed.out << crashed.err;
    EXPECT_EQ(crashed.code, 1);
    EXPECT_EQ(withStatus(crashed, "failed"), (std::set<std::string>{"editor.cycle", "editor.rendering"}));
    for (const auto& [name, test] : byName(crashed))
        EXPECT_EQ(test["messages"][0],
                  "the plug-in crashed during effEditOpen, while opening, idling and closing the editor" + kNullWriteFault)
            << name;
}

// A vendor's CI has no display: the run makes its own, so an editor that hangs fails there as it
// does on a desktop; only where no display can be had are the editor tests skipped, and then the
// summary says so where CI logs show it.
TEST_F(Validate, WithoutADisplayTheRunStartsItsOwnAndAHangingEditorFails) {
    display_testing::NoDisplay none;
    if (!none.active()) GTEST_SKIP() << "windows are made on the desktop here; there is no display to take away";
    const Outcome hung = validate(plugin("editorhang"), {"--only", "editor.cycle", "--seed", "6", "--timeout", kHangTimeout});
    ASSERT_TRUE(hung.json.is_object()) << hung.out << hung.err;
    if (hung.out.find("editor tests skipped: no display") != std::string::npos)
        GTEST_SKIP() << "Xvfb is not installed here (scripts/install-deps.sh installs it)";
    EXPECT_NE(hung.out.find("no display: started a private virtual display :"), std::string::npos) << hung.out;
    EXPECT_EQ(hung.code, 1);
    EXPECT_EQ(withStatus(hung, "failed"), std::set<std::string>{"editor.cycle"}) << hung.out;
    EXPECT_EQ(byName(hung).at("editor.cycle")["messages"][0],
              "timed out after " + kHangTimeout + ".0 s, during effEditOpen");

    const char* path = std::getenv("PATH");
    const std::string savedPath = path ? path : "";
    setEnvironment("PATH", (scratch / "nothing-here").string());
    const Outcome headless = validate(plugin("wellbehaved"), {"--only", "editor,load", "--seed", "6"});
    setEnvironment("PATH", savedPath);
    ASSERT_TRUE(headless.json.is_object()) << headless.out << headless.err;
    EXPECT_EQ(headless.code, 0);
    EXPECT_EQ(withStatus(headless, "skipped"), (std::set<std::string>{"editor.cycle", "editor.rendering"}));
    EXPECT_NE(headless.out.find("\neditor tests skipped: no display (Xvfb is not installed"), std::string::npos)
        << headless.out;
    EXPECT_EQ(headless.json["notices"].size(), 1u);
}

// A plug-in that delays its output and says so is not at fault, but a host must be told, and the
// module tells it nothing: the test warns, the run passes, and --strict makes it fail.
TEST_F(Validate, ADeclaredDelayWarnsAndAStrictRunFailsOnIt) {
    const Outcome run = validate(plugin("delayed"), {"--only", "render.latency,render.tail", "--seed", "8"});
    ASSERT_TRUE(run.json.is_object()) << run.out << run.err;
    EXPECT_EQ(run.code, 0) << run.out;
    EXPECT_EQ(withStatus(run, "warned"), std::set<std::string>{"render.latency"}) << run.out;
    const auto tests = byName(run);
    EXPECT_EQ(tests.at("render.latency")["figures"]["declared_delay_frames"], 32);
    EXPECT_EQ(tests.at("render.latency")["figures"]["measured_delay_frames"], 32);
    EXPECT_EQ(tests.at("render.latency")["messages"][0],
              "warning: the module reports no delay to the host, so a host that compensates delays leaves this "
              "plug-in's output 32 frames (0.67 ms) late against other tracks");
    EXPECT_EQ(lastLine(run.out), "1 passed, 0 failed, 1 warned, 0 skipped");
    EXPECT_EQ(run.json["summary"]["warned"], 1);

    const Outcome strict = validate(plugin("delayed"), {"--only", "render.latency", "--seed", "8", "--strict"});
    ASSERT_TRUE(strict.json.is_object()) << strict.out << strict.err;
    EXPECT_EQ(strict.code, 1);
    EXPECT_EQ(withStatus(strict, "failed"), std::set<std::string>{"render.latency"});
    EXPECT_EQ(byName(strict).at("render.latency")["messages"][0], "a warning fails the test in a strict run (--strict)");
}

// Every render test takes the run's block sizes and rates, odd and fractional ones too; bad lists
// are refused before anything runs.
TEST_F(Validate, RenderTestsTakeTheRunsBlockSizesAndRates) {
    const Outcome odd = validate("", {"--only", "render.rates,render.direct", "--rates", "8000,44123.45", "--blocks",
                                      "3,2048,8192", "--seed", "12"});
    ASSERT_TRUE(odd.json.is_object()) << odd.out << odd.err;
    EXPECT_EQ(odd.code, 0) << odd.out;
    const auto tests = byName(odd);
    EXPECT_EQ(tests.at("render.rates")["messages"][0], "note: 44123.45 Hz: the module starts the plug-in at 44123 Hz");
    EXPECT_GT(tests.at("render.direct")["figures"]["frames"].get<double>(), 8192.0);

    const Outcome random = validate("", {"--only", "render.direct", "--blocks", "random", "--seed", "12"});
    EXPECT_EQ(random.code, 0) << random.out;

    const Outcome bad = validate("", {"--blocks", "64,0"});
    EXPECT_EQ(bad.code, 1);
    EXPECT_NE(bad.err.find("--blocks: '0' is not a whole number of frames from 1 to 8192"), std::string::npos) << bad.err;
    const Outcome badRate = validate("", {"--rates", "fast"});
    EXPECT_EQ(badRate.code, 1);
    EXPECT_NE(badRate.err.find("--rates: 'fast' is not a number"), std::string::npos) << badRate.err;
}

// Tests run side by side come back in list order with the verdicts of a run one at a time; a
// test that measures time runs alone, and a crash in one child touches no other.
TEST_F(Validate, ParallelTestsReportInListOrderWithTheSameVerdicts) {
    setEnvironment("KORVEX_CRASH_IN", "processReplacing");
    const std::vector<std::string> selection = {"--only", "render,state,timing,description", "--seed", "13"};
    std::vector<std::string> parallel = selection;
    parallel.insert(parallel.end(), {"-j", "3"});
    const Outcome one = validate(plugin("crashing"), selection);
    const Outcome three = validate(plugin("crashing"), parallel);
    ASSERT_TRUE(one.json.is_object() && three.json.is_object()) << three.out << three.err;
    EXPECT_NE(three.out.find(", 3 at once,"), std::string::npos) << three.out;
    ASSERT_EQ(one.json["tests"].size(), three.json["tests"].size());
    for (size_t i = 0; i < one.json["tests"].size(); ++i) {
        EXPECT_EQ(one.json["tests"][i]["name"], three.json["tests"][i]["name"]) << i;
        EXPECT_EQ(one.json["tests"][i]["status"], three.json["tests"][i]["status"]) << one.json["tests"][i]["name"];
    }
    EXPECT_EQ(three.code, 1);
    EXPECT_EQ(byName(three).at("description")["status"], "passed");
}

// --fuzz finds a plug-in that crashes on a damaged chunk, and says how to replay what it found;
// the reference plug-in survives it.
TEST_F(Validate, FuzzingFindsACrashAndNamesTheSeedThatReplaysIt) {
    const Outcome clean = validate("", {"--fuzz", "2", "--seed", "40"});
    EXPECT_EQ(clean.code, 0) << clean.out << clean.err;
    EXPECT_NE(lastLine(clean.out).find(" sequences in "), std::string::npos) << clean.out;
    EXPECT_NE(lastLine(clean.out).find(", none failed"), std::string::npos) << clean.out;

    setEnvironment("KORVEX_CRASH_IN", "effSetChunk");
    const Outcome found = validate(plugin("crashing"), {"--fuzz", "30", "--seed", "1"});
    EXPECT_EQ(found.code, 1);
    EXPECT_NE(found.out.find("failed (seed "), std::string::npos) << found.out;
    EXPECT_NE(found.out.find("the plug-in crashed during effSetChunk"), std::string::npos) << found.out;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // Under a sanitizer the crash ends in its own handler, before the sequence's log is out.
    EXPECT_NE(found.out.find("fuzz step 1: make an instance"), std::string::npos) << found.out;
    EXPECT_NE(found.out.find("plug-in 0 received: opens 1"), std::string::npos) << found.out;
#endif
    const size_t replay = found.out.find("validate --fuzz 0 --seed ");
    ASSERT_NE(replay, std::string::npos) << found.out;
    const std::string seed = found.out.substr(replay + 25, found.out.find('\n', replay) - replay - 25);
    const Outcome again = validate(plugin("crashing"), {"--fuzz", "0", "--seed", seed});
    EXPECT_EQ(again.code, 1);
    EXPECT_NE(again.out.find("sequence 1 failed (seed " + seed + ")"), std::string::npos) << again.out;
}

// Sequences open editors among their other steps, in a display of the run's own where there is
// none: the reference plug-in's editor survives them, one that crashes as it opens is found with
// the step that opened it. A plug-in without an editor, or a run where no display can be had,
// opens none, and the run says why.
TEST_F(Validate, FuzzingOpensEditorsAndFindsOneThatCrashes) {
    const Outcome clean = validate("", {"--fuzz", "3", "--seed", "40"});
    EXPECT_EQ(clean.code, 0) << clean.out << clean.err;
    if (clean.out.find("editors not fuzzed: no display") != std::string::npos)
        GTEST_SKIP() << "no display and no Xvfb here (scripts/install-deps.sh installs it)";
    const std::string last = lastLine(clean.out);
    const size_t opened = last.find(" editors opened, none failed");
    ASSERT_NE(opened, std::string::npos) << clean.out;
    EXPECT_GT(std::stoi(last.substr(last.rfind(' ', opened - 1) + 1)), 0) << last;

    const Outcome found = validate(plugin("editorcrash"), {"--fuzz", "30", "--seed", "1"});
    EXPECT_EQ(found.code, 1);
    EXPECT_NE(found.out.find("failed (seed "), std::string::npos) << found.out;
    EXPECT_NE(found.out.find("the plug-in crashed during effEditOpen, while opening the editor"), std::string::npos)
        << found.out;
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_NE(found.out.find(": open the editor of instance "), std::string::npos) << found.out;
#endif
    EXPECT_NE(found.out.find("validate --fuzz 0 --seed "), std::string::npos) << found.out;

    // Ticks and closes reach the plug-in's editor too, each named in the fault it meets.
    for (const std::string call : {"effEditIdle", "effEditClose"}) {
        setEnvironment("KORVEX_CRASH_IN", call);
        const Outcome crashed = validate(plugin("crashing"), {"--fuzz", "30", "--seed", "1"});
        EXPECT_EQ(crashed.code, 1) << call;
        EXPECT_NE(crashed.out.find("the plug-in crashed during " + call + ", while "), std::string::npos)
            << crashed.out;
    }
    setEnvironment("KORVEX_CRASH_IN", "");

    const Outcome without = validate(plugin("emptychunk"), {"--fuzz", "0", "--seed", "1"});
    EXPECT_EQ(without.code, 0) << without.out << without.err;
    EXPECT_NE(lastLine(without.out).find(", the plug-in has no editor, none failed"), std::string::npos) << without.out;

    display_testing::NoDisplay none;
    if (!none.active()) return;  // Windows always has its desktop
    const char* path = std::getenv("PATH");
    const std::string savedPath = path ? path : "";
    setEnvironment("PATH", (scratch / "nothing-here").string());
    const Outcome headless = validate(plugin("editorcrash"), {"--fuzz", "0", "--seed", "1"});
    setEnvironment("PATH", savedPath);
    EXPECT_EQ(headless.code, 0) << headless.out << headless.err;
    EXPECT_NE(headless.out.find("\neditors not fuzzed: no display (Xvfb is not installed"), std::string::npos)
        << headless.out;
    EXPECT_EQ(lastLine(headless.out).find("editors opened"), std::string::npos) << headless.out;

    // A display named but not there (Wine without X is the same): the run says no window could be
    // made, not that it opened none.
    setEnvironment("DISPLAY", ":12345");
    const Outcome unreachable = validate(plugin("editorcrash"), {"--fuzz", "0", "--seed", "1"});
    setEnvironment("DISPLAY", "");  // the guard puts back the one there was
    EXPECT_EQ(unreachable.code, 0) << unreachable.out << unreachable.err;
    EXPECT_NE(lastLine(unreachable.out).find("editors not fuzzed: no window could be made, none failed"),
              std::string::npos)
        << unreachable.out;
}

TEST_F(Validate, TestsAreChosenByNameGroupLevelAndSkip) {
    const Outcome listed = validate("", {"--list"});
    ASSERT_EQ(listed.code, 0);
    for (const char* name : {"load", "description", "render.direct", "parameters.threads", "editor.cycle", "timing"})
        EXPECT_NE(listed.out.find(std::string("\n") + name + " "), std::string::npos) << name;

    const Outcome only = validate("", {"--only", "render.mono,parameters", "--skip", "parameters.threads", "--seed", "1"});
    ASSERT_EQ(only.code, 0) << only.out;
    const std::set<std::string> chosen = {"render.mono", "parameters.ids", "parameters.steps", "parameters.bypass",
                                          "parameters.automation"};
    std::set<std::string> ran;
    for (const auto& [name, test] : byName(only)) ran.insert(name);
    EXPECT_EQ(ran, chosen);

    const Outcome low = validate("", {"--level", "1"});
    ASSERT_EQ(low.code, 0);
    EXPECT_EQ(byName(low).size(), 2u);  // load and description

    const Outcome unknown = validate("", {"--only", "render.nothing"});
    EXPECT_EQ(unknown.code, 1);
    EXPECT_NE(unknown.err.find("no test or group named 'render.nothing'"), std::string::npos) << unknown.err;
}

TEST_F(Validate, WithoutIsolationTheTestsRunInOneProcessAndACrashStillNamesTheCall) {
    const Outcome quiet = validate(plugin("wellbehaved"), {"--no-isolation", "--level", "3", "--seed", "2"});
    EXPECT_EQ(quiet.code, 0) << quiet.out << quiet.err;
    EXPECT_EQ(quiet.json["summary"]["failed"], 0);

    setEnvironment("KORVEX_CRASH_IN", "processReplacing");
    const Outcome crash = validate(plugin("crashing"), {"--no-isolation", "--only", "render.finite"});
    EXPECT_EQ(crash.code, 1);
    EXPECT_EQ(crash.err,
              "korvex-host: validate: the plug-in crashed during processReplacing, while rendering" + kNullWriteFault + "\n");
}

}  // namespace
