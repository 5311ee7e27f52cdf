// The battery's runner and reports without running a plug-in: how the end of a test process is
// read, which tests a selection names, the output watch, and reports that hold any text.
#include <gtest/gtest.h>
#ifdef KORVEX_HAVE_LIBXML2
#include <libxml/parser.h>
#endif

#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/report.h"
#include "tools/korvex-host/validate/runner.h"
#include "tools/korvex-host/validate/signal.h"
#include "xml_outline.h"

namespace {

using namespace korvex_validate;

ChildEnd exited(int code, const std::string& out, const std::string& err) {
    ChildEnd end;
    end.exitCode = code;
    end.out = out;
    end.err = err;
    end.seconds = 1.5;
    return end;
}

std::string resultLine(const std::string& status, const std::string& message) {
    return std::string("\n") + kResultMarker + R"({"name":"render.finite","status":")" + status +
           R"(","seconds":0.5,"seed":7,"messages":[")" + message + R"("],"figures":{"peak":0.25}})" + "\n";
}

TEST(ValidateRunner, ReadsTheResultAChildPrintsAfterWhateverThePlugInPrinted) {
    const CheckResult result = resultOfChild(
        "render.finite", 7, exited(0, "plug-in chatter\n" + resultLine("failed", "12 non-finite samples"), "noise\n"), 60);
    EXPECT_EQ(result.status, Status::Failed);
    EXPECT_EQ(result.messages, std::vector<std::string>{"12 non-finite samples"});
    ASSERT_EQ(result.figures.size(), 1u);
    EXPECT_EQ(result.figures[0].name, "peak");
    EXPECT_EQ(result.seconds, 0.5);
    EXPECT_TRUE(result.log.empty());
}

TEST(ValidateRunner, SaysHowAChildEndedThatGaveNoResult) {
    struct Case {
        ChildEnd end;
        std::string message;
    };
    ChildEnd killed = exited(0, "", "");
    killed.crashed = true;
    killed.fault = "SIGKILL";
    // A Windows child ends by an exception code where a POSIX one ends by a signal.
    ChildEnd faulted = exited(0, "", "");
    faulted.crashed = true;
    faulted.fault = "exception 0xC0000005 (access violation)";
    ChildEnd late = exited(0, "", "");
    late.timedOut = true;
    const std::vector<Case> cases = {
        {exited(1, "", "amsynth says hello\nkorvex-host: validate: the plug-in crashed during effSetChunk (SIGABRT)\n"),
         "the plug-in crashed during effSetChunk (SIGABRT)"},
        {exited(3, "", "korvex-host: validate: timed out after 5.0 s, during processReplacing\n"),
         "timed out after 5.0 s, during processReplacing"},
        // The same line from a stream in text mode on Windows.
        {exited(3, "", "korvex-host: validate: timed out after 5.0 s, during processReplacing\r\n"),
         "timed out after 5.0 s, during processReplacing"},
        {exited(2, "", "something went wrong\r\n"), "the test process ended with exit code 2: something went wrong (no result)"},
        {exited(1, "", "=================\n==4242==ERROR: AddressSanitizer: heap-use-after-free on address 0x1\n"),
         "ERROR: AddressSanitizer: heap-use-after-free on address 0x1 (no result)"},
        {exited(1, "",
                "x.cpp:58:12: runtime error: load of null pointer\n"
                "korvex-host: validate: stopped by a sanitizer during effGetChunk, while loading a chunk\n"),
         "x.cpp:58:12: runtime error: load of null pointer; during effGetChunk, while loading a chunk (no result)"},
        {killed, "the test process crashed (SIGKILL)"},
        {faulted, "the test process crashed (exception 0xC0000005 (access violation))"},
        {exited(1, "", "korvex-host: validate: the plug-in crashed during effOpen (exception 0xC0000005)\n"),
         "the plug-in crashed during effOpen (exception 0xC0000005)"},
        {late, "timed out: the test process was killed after 70.0 s"},
        {exited(2, "", "something went wrong\n\n"), "the test process ended with exit code 2: something went wrong (no result)"},
    };
    for (const Case& test : cases) {
        const CheckResult result = resultOfChild("state.damaged", 9, test.end, 70);
        EXPECT_EQ(result.status, Status::Failed);
        EXPECT_EQ(result.name, "state.damaged");
        EXPECT_EQ(result.seed, 9u);
        ASSERT_FALSE(result.messages.empty());
        EXPECT_EQ(result.messages.front(), test.message);
        EXPECT_EQ(result.log, test.end.err);
        EXPECT_EQ(result.seconds, 1.5);
    }
}

TEST(ValidateRunner, AResultFollowedByABadEndStillFails) {
    // A sanitizer that reports at exit, after the check had passed.
    const CheckResult result = resultOfChild(
        "parameters.threads", 1,
        exited(66, resultLine("passed", "note: fine"), "==1==WARNING: ThreadSanitizer: data race (pid=1)\n"), 60);
    EXPECT_EQ(result.status, Status::Failed);
    ASSERT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(result.messages[0], "after the test: WARNING: ThreadSanitizer: data race (pid=1)");
    EXPECT_EQ(result.messages[1], "note: fine");
}

TEST(ValidateRunner, SelectsByLevelNameAndGroup) {
    RunOptions options;
    options.validate.level = 1;
    std::vector<std::string> names;
    for (const CheckInfo* check : selectChecks(options)) names.push_back(check->name);
    EXPECT_EQ(names, (std::vector<std::string>{"load", "description"}));

    options.only = {"state"};
    options.skip = {"state.random"};
    names.clear();
    for (const CheckInfo* check : selectChecks(options)) names.push_back(check->name);
    EXPECT_EQ(names, (std::vector<std::string>{"state.roundtrip", "state.damaged"}));

    options.only = {"stat"};  // a group is a whole name before the dot, not any prefix
    EXPECT_THROW(selectChecks(options), std::runtime_error);

    options.only.clear();
    options.skip.clear();
    options.validate.level = 10;
    EXPECT_EQ(selectChecks(options).size(), allChecks().size());
}

TEST(SignalWatch, FindsTheFirstNonFiniteSampleAndLongDenormalRunsAcrossBlocks) {
    Buffers buffers(2, 64);
    SignalWatch watch;
    watch.add(buffers, 64);
    buffers.output(1)[5] = std::numeric_limits<float>::quiet_NaN();
    buffers.output(0)[9] = std::numeric_limits<float>::infinity();
    watch.add(buffers, 64);
    EXPECT_EQ(watch.nonFinite(), 2);
    EXPECT_EQ(watch.firstNonFiniteFrame(), 64 + 5);

    // 40 subnormal samples at the end of one block and 30 at the start of the next: one run.
    Buffers tail(1, 64);
    const float tiny = std::numeric_limits<float>::denorm_min() * 3.0f;
    SignalWatch runs;
    for (int i = 24; i < 64; ++i) tail.output(0)[static_cast<size_t>(i)] = tiny;
    runs.add(tail, 64);
    for (int i = 0; i < 64; ++i) tail.output(0)[static_cast<size_t>(i)] = i < 30 ? -tiny : 0.0f;
    runs.add(tail, 64);
    EXPECT_EQ(runs.denormalRuns(), 1);
    EXPECT_EQ(runs.firstDenormalRunFrame(), 24);
    // 63 in a row is short of a run; a zero breaks one.
    SignalWatch shortRun;
    Buffers some(1, 64);
    for (int i = 0; i < 63; ++i) some.output(0)[static_cast<size_t>(i)] = tiny;
    shortRun.add(some, 64);
    EXPECT_EQ(shortRun.denormalRuns(), 0);
    EXPECT_TRUE(shortRun.problems().empty());
    EXPECT_NE(watch.problems().find("2 non-finite samples"), std::string::npos);
}

TEST(ValidateReport, JUnitAndJsonHoldAnyTextAPlugInWrites) {
    Report report;
    report.plugin = "/usr/lib/vst/odd <&> \"name\".so";
    report.level = 3;
    report.seed = 4;
    CheckResult failed;
    failed.name = "load";
    failed.status = Status::Failed;
    failed.messages = {"bad \x01 byte \xFF and caf\xC3\xA9 <tag> & 'quote' \xF0\x9F\x8E\xB9 overlong \xE0\x80\x80"
                       " surrogate \xED\xA0\x80 beyond \xF4\x90\x80\x80 nonchar \xEF\xBF\xBF"};
    failed.log = "stderr \x1B[31m colour \xC3";
    CheckResult skipped;
    skipped.name = "editor.cycle";
    skipped.status = Status::Skipped;
    skipped.messages = {"skipped: no display"};
    CheckResult passed;
    passed.name = "description";
    passed.figures = {{"components", 2.0}};
    report.results = {failed, skipped, passed};

    EXPECT_EQ(verdictLine(report), "1 passed, 1 failed, 1 skipped");
    const std::string xml = junitText(report);
    testing_support::XmlElement suites;
    try {
        suites = testing_support::XmlOutline::parse(xml);
    } catch (const std::exception& error) {
        FAIL() << error.what() << "\n" << xml;
    }
    const testing_support::XmlElement& suite = *suites.childrenNamed("testsuite").at(0);
    EXPECT_EQ(suite.childrenNamed("properties").at(0)->childrenNamed("property").at(0)->attributes.at("value"),
              report.plugin);
    const testing_support::XmlElement& load = *suite.childrenNamed("testcase").at(0);
    EXPECT_EQ(load.childrenNamed("failure").at(0)->attributes.at("message"),
              "bad ? byte ? and caf\xC3\xA9 <tag> & 'quote' \xF0\x9F\x8E\xB9 overlong ??? surrogate ??? beyond ???? "
              "nonchar ???")
        << "control bytes, broken UTF-8 and characters XML forbids replaced, the rest read back as written";
#ifdef KORVEX_HAVE_LIBXML2
    xmlDocPtr document = xmlReadMemory(xml.data(), static_cast<int>(xml.size()), "report.xml", nullptr, XML_PARSE_NONET);
    ASSERT_NE(document, nullptr) << xml;
    xmlFreeDoc(document);
#endif
    EXPECT_NE(xml.find("caf\xC3\xA9"), std::string::npos) << "valid UTF-8 passes unchanged";
    EXPECT_NE(xml.find("&lt;tag&gt; &amp; &apos;quote&apos;"), std::string::npos);

    const nlohmann::json json = nlohmann::json::parse(jsonText(report));
    EXPECT_EQ(json["summary"]["failed"], 1);
    EXPECT_EQ(json["tests"][2]["figures"]["components"], 2.0);
    const CheckResult back = resultFromJson(json["tests"][0]);
    EXPECT_EQ(back.status, Status::Failed);
    EXPECT_EQ(back.name, "load");
}

// A warning passes and is counted apart, in every report; a strict run makes it a failure first.
TEST(ValidateReport, WarningsPassUnlessTheRunIsStrictAndEveryReportSaysSo) {
    Report report;
    report.plugin = "p.so";
    CheckResult warned;
    warned.name = "render.latency";
    {
        CheckContext context(ValidateOptions{}, 1, warned);
        context.note("delay measured: 64 frames");
        context.warn("the plug-in declares no delay but delays its output by 64 frames");
        context.note("a later note");
    }
    EXPECT_EQ(warned.status, Status::Warned);
    CheckResult failedToo = warned;
    {
        CheckContext context(ValidateOptions{}, 1, failedToo);
        context.fail("and something broke");
        context.warn("a warning after a failure changes nothing");
    }
    EXPECT_EQ(failedToo.status, Status::Failed);
    report.results = {warned};
    report.notices = {"editor tests skipped: no display (why)"};
    EXPECT_EQ(verdictLine(report), "0 passed, 0 failed, 1 warned, 0 skipped");
    std::ostringstream text;
    printSummary(text, report);
    EXPECT_NE(text.str().find("render.latency  warned"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("editor tests skipped: no display (why)\n0 passed"), std::string::npos) << text.str();

    const nlohmann::json json = nlohmann::json::parse(jsonText(report));
    EXPECT_EQ(json["summary"]["warned"], 1);
    EXPECT_EQ(json["tests"][0]["status"], "warned");
    EXPECT_EQ(resultFromJson(json["tests"][0]).status, Status::Warned);
    EXPECT_EQ(json["notices"][0], "editor tests skipped: no display (why)");

    const std::string xml = junitText(report);
    const testing_support::XmlElement suites = testing_support::XmlOutline::parse(xml);
    const testing_support::XmlElement& suite = *suites.childrenNamed("testsuite").at(0);
    EXPECT_EQ(suite.attributes.at("failures"), "0");
    const testing_support::XmlElement& test = *suite.childrenNamed("testcase").at(0);
    EXPECT_TRUE(test.childrenNamed("failure").empty()) << "JUnit has no warning; it is no failure either";
    EXPECT_NE(test.childrenNamed("system-out").at(0)->text.find("warning: the plug-in declares no delay"),
              std::string::npos);
    bool counted = false;
    for (const testing_support::XmlElement* property : suite.childrenNamed("properties").at(0)->childrenNamed("property"))
        counted = counted || (property->attributes.at("name") == "warnings" && property->attributes.at("value") == "1");
    EXPECT_TRUE(counted) << xml;

    applyStrict(warned);
    EXPECT_EQ(warned.status, Status::Failed);
    EXPECT_EQ(warned.messages.front(), "a warning fails the test in a strict run (--strict)");
    CheckResult passed;
    applyStrict(passed);
    EXPECT_EQ(passed.status, Status::Passed);
}

// The XML reader the report tests use where libxml2 is missing refuses what is not well-formed.
TEST(XmlOutline, RefusesDocumentsThatAreNotWellFormed) {
    const std::vector<std::string> bad = {
        "",
        "<a>",
        "<a></b>",
        "<a><b></a></b>",
        "<a x=1/>",
        "<a x=\"1\" x=\"2\"/>",
        "<a x=\"<\"/>",
        "<a>&nbsp;</a>",
        "<a>&#0;</a>",
        "<a>\x01</a>",
        "<a>caf\xC3</a>",
        "<a/><b/>",
        "<a>]]></a>",
        "<!DOCTYPE a><a/>",
    };
    for (const std::string& document : bad) {
        EXPECT_THROW(testing_support::XmlOutline::parse(document), std::runtime_error) << document;
#ifdef KORVEX_HAVE_LIBXML2
        xmlDocPtr parsed = xmlReadMemory(document.data(), static_cast<int>(document.size()), "bad.xml", nullptr,
                                         XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING);
        if (document.rfind("<!DOCTYPE", 0) != 0) {
            EXPECT_EQ(parsed, nullptr) << "libxml2 accepts " << document;
        }
        xmlFreeDoc(parsed);
#endif
    }
    const testing_support::XmlElement root = testing_support::XmlOutline::parse(
        "<?xml version=\"1.0\"?>\n<!-- c --><a k='&#x3C;&amp;'>x<![CDATA[<y>]]><b/>&#233;</a>\n");
    EXPECT_EQ(root.attributes.at("k"), "<&");
    EXPECT_EQ(root.text, "x<y>\xC3\xA9");
    EXPECT_EQ(root.childrenNamed("b").size(), 1u);
}

}  // namespace
