// The report's parts without running a plug-in: pictures survive the trip from the child to the
// parent, the HTML page shows every test with failures first and charts with their numbers, the
// crash stack is read back from stderr, kept MIDI files replay at their exact frames, and the
// survey's index links every report.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/midi_file.h"
#include "tools/korvex-host/validate/artifacts.h"
#include "tools/korvex-host/validate/crash_stack.h"
#include "tools/korvex-host/validate/html_report.h"
#include "tools/korvex-host/validate/kept_files.h"
#include "tools/korvex-host/validate/progress_line.h"
#include "tools/korvex-host/validate/report.h"
#include "tools/korvex-host/validate/result_extras.h"
#include "tools/korvex-host/validate/survey_index.h"

namespace {

using namespace korvex_validate;

CheckResult result(const std::string& name, Status status, const std::string& message = {}) {
    CheckResult made;
    made.name = name;
    made.status = status;
    made.seed = 42;
    made.seconds = 0.25;
    if (!message.empty()) made.messages.push_back(message);
    return made;
}

Chart waveforms() {
    Chart chart;
    chart.title = "channel 0 differs from frame 3";
    chart.xLabel = "frame";
    chart.yLabel = "sample value";
    chart.hasMarker = true;
    chart.markerX = 3;
    chart.markerLabel = "first difference";
    chart.series = {{"through the module", {0, 1, 2, 3, 4}, {0.0, 0.5, 1.0, 0.5, 0.0}},
                    {"hosted directly", {0, 1, 2, 3, 4}, {0.0, 0.5, 1.0, NAN, 0.25}}};
    return chart;
}

TEST(ValidateReportParts, ChartsPicturesAndStacksComeBackFromTheChildsJson) {
    CheckResult sent = result("render.direct", Status::Failed, "differs");
    sent.charts.push_back(waveforms());
    sent.pictures.push_back({"the editor", {0x89, 'P', 'N', 'G', 0, 255, 7}});
    sent.stack = "#0 crashIn at plugin.cpp:60\n";
    const CheckResult back = resultFromJson(nlohmann::json::parse(resultJson(sent).dump()));
    ASSERT_EQ(back.charts.size(), 1u);
    EXPECT_EQ(back.charts[0].title, sent.charts[0].title);
    EXPECT_TRUE(back.charts[0].hasMarker);
    EXPECT_EQ(back.charts[0].markerX, 3);
    ASSERT_EQ(back.charts[0].series.size(), 2u);
    EXPECT_EQ(back.charts[0].series[0].y, sent.charts[0].series[0].y);
    ASSERT_EQ(back.pictures.size(), 1u);
    EXPECT_EQ(back.pictures[0].png, sent.pictures[0].png);
    EXPECT_EQ(back.stack, sent.stack);
    // A plain result gains no keys: readers of the JSON report see what they saw before.
    const nlohmann::ordered_json plain = resultJson(result("load", Status::Passed));
    EXPECT_FALSE(plain.contains("charts") || plain.contains("pictures") || plain.contains("stack"));
}

TEST(ValidateReportParts, Base64RoundTripsEveryLengthAndMatchesTheStandardAlphabet) {
    EXPECT_EQ(base64({'f', 'o', 'o', 'b', 'a', 'r'}), "Zm9vYmFy");
    EXPECT_EQ(base64({'f', 'o'}), "Zm8=");
    for (size_t length = 0; length < 70; ++length) {
        std::vector<uint8_t> bytes(length);
        for (size_t i = 0; i < length; ++i) bytes[i] = static_cast<uint8_t>(i * 37 + 250);
        EXPECT_EQ(fromBase64(base64(bytes)), bytes) << length;
    }
    EXPECT_THROW(fromBase64("Zm9vY"), std::runtime_error);
}

Report twoFailures() {
    Report report;
    report.plugin = "/usr/lib/vst/odd.so";
    report.module = "/build/KORVEX.aaxplugin";
    report.level = 5;
    report.seed = 42;
    report.command = {"/build/korvex-host", "--vst", "/usr/lib/vst/odd.so"};
    report.results = {result("load", Status::Passed), result("render.finite", Status::Failed, "NaN <at> frame 3 & on"),
                      result("editor.cycle", Status::Skipped, "no display"),
                      result("render.direct", Status::Failed, "differs")};
    report.results[3].charts.push_back(waveforms());
    report.results[3].stack = "#0 crashIn <inlined>\n";
    return report;
}

// The order of the test sections in the page, by their data-name.
std::vector<std::string> sectionOrder(const std::string& html) {
    std::vector<std::string> names;
    const std::regex section("<section class=\"test [a-z]+\" id=\"test-[0-9]+\" data-name=\"([^\"]+)\"");
    for (auto it = std::sregex_iterator(html.begin(), html.end(), section); it != std::sregex_iterator(); ++it)
        names.push_back((*it)[1]);
    return names;
}

TEST(ValidateReportParts, TheHtmlPageShowsEveryTestFailuresFirstWithItsTextEscaped) {
    const std::string html = htmlText(twoFailures());
    EXPECT_EQ(sectionOrder(html), (std::vector<std::string>{"render.finite", "render.direct", "load", "editor.cycle"}));
    EXPECT_NE(html.find("data-verdict=\"failed\""), std::string::npos);
    EXPECT_NE(html.find("NaN &lt;at&gt; frame 3 &amp; on"), std::string::npos);
    EXPECT_EQ(html.find("<at>"), std::string::npos);
    EXPECT_NE(html.find("#0 crashIn &lt;inlined&gt;"), std::string::npos);
    // The replay command names the test and its seed; a skipped test has none.
    EXPECT_NE(html.find("validate --only render.direct --seed 42 --level 5"), std::string::npos);
    EXPECT_EQ(html.find("--only editor.cycle"), std::string::npos);
    // No external file: nothing is fetched from anywhere.
    EXPECT_EQ(html.find("src=\"http"), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);

    Report clean = twoFailures();
    for (CheckResult& each : clean.results)
        if (each.status == Status::Failed) each.status = Status::Passed;
    EXPECT_NE(htmlText(clean).find("data-verdict=\"passed\""), std::string::npos);
}

TEST(ValidateReportParts, AChartDrawsEveryFinitePointWithItsAxesAndMarker) {
    const std::string svg = svgChart(waveforms());
    EXPECT_NE(svg.find("data-name=\"through the module\" data-points=\"5\""), std::string::npos) << svg;
    // The non-finite sample is left out rather than drawn anywhere.
    EXPECT_NE(svg.find("data-name=\"hosted directly\" data-points=\"4\""), std::string::npos) << svg;
    EXPECT_EQ(svg.find("nan"), std::string::npos);
    EXPECT_NE(svg.find(">sample value</text>"), std::string::npos);
    EXPECT_NE(svg.find(">frame</text>"), std::string::npos);
    EXPECT_NE(svg.find("first difference (3)"), std::string::npos);
    // The y axis spans the data: its lowest tick is 0, its highest 1.
    EXPECT_NE(svg.find("text-anchor=\"end\">0</text>"), std::string::npos);
    EXPECT_NE(svg.find("text-anchor=\"end\">1</text>"), std::string::npos);

    Chart timing;
    timing.logX = true;
    timing.series = {{"through the module", {32, 4096}, {1.0, 30.0}}};
    const std::string logSvg = svgChart(timing);
    EXPECT_NE(logSvg.find(">32</text>"), std::string::npos) << logSvg;
    EXPECT_NE(logSvg.find(">4096</text>"), std::string::npos) << logSvg;
    // An empty chart is still a well-formed picture, with no points.
    EXPECT_NE(svgChart(Chart{}).find("data-points=\"0\""), std::string::npos);
}

TEST(ValidateReportParts, TheCrashStackIsReadBackFromStderrAndLeftOutOfTheLog) {
    const std::string err = std::string("plug-in chatter\nkorvex-host: validate: the plug-in crashed (SIGSEGV)\n") +
                            korvex_host::kStackBegin + "\nframe 0x7f0000001234\nframe 0x5600000020ff\nframe 0x10\n" +
                            "map 7f0000001000-7f0000002000 r-xp 00001000 08:01 42 /usr/lib/vst/odd.so\n" +
                            "map 560000001000-560000003000 r-xp 00000000 08:01 43 /build/korvex-host\n" +
                            korvex_host::kStackEnd + "\nafter\n";
    const RawStack stack = readStack(err);
    ASSERT_EQ(stack.frames.size(), 3u);
    EXPECT_EQ(stack.frames[0].module, "/usr/lib/vst/odd.so");
    EXPECT_EQ(stack.frames[0].offset, 0x1234u);
    EXPECT_EQ(stack.frames[1].module, "/build/korvex-host");
    EXPECT_EQ(stack.frames[1].offset, 0x10ffu);
    EXPECT_EQ(stack.frames[2].module, "");
    EXPECT_EQ(withoutStack(err),
              "plug-in chatter\nkorvex-host: validate: the plug-in crashed (SIGSEGV)\nafter\n");
    EXPECT_EQ(symbolisedStack("no stack here\n"), "");
    // Frames a Windows process named itself are kept as they are.
    const std::string named = std::string(korvex_host::kStackBegin) + "\r\ntext #0 crashIn+0x4 in odd.dll+0x1234\r\n" +
                              korvex_host::kStackEnd + "\r\n";
    EXPECT_EQ(symbolisedStack(named), "#0 crashIn+0x4 in odd.dll+0x1234\n");
}

TEST(ValidateReportParts, AKeptMidiFileReplaysEveryEventAtItsFrame) {
    for (int32_t rate : {44100, 48000, 192000}) {
        const std::vector<TimedEvent> sent = {
            {0, {0x90, 60, 100}}, {1, {0x80, 60, 0}}, {4095, {0xC3, 12, 0}}, {rate * 3 + 7, {0xB0, 123, 0}}};
        const korvex_host::MidiSong song = korvex_host::parseMidiFile(midiFileBytes(rate, sent), rate);
        ASSERT_EQ(song.messages.size(), sent.size()) << rate;
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(song.messages[i].frame, sent[i].frame) << rate << " event " << i;
            EXPECT_EQ(song.messages[i].status, sent[i].bytes[0]);
            EXPECT_EQ(song.messages[i].data1, sent[i].bytes[1]);
        }
    }
}

TEST(ValidateReportParts, ReplayCommandsQuoteWhatAShellWouldSplit) {
    Report report = twoFailures();
    report.command = {"/opt/my tools/korvex-host", "--vst", "/tmp/it's.so"};
    EXPECT_EQ(replayCommandLine(report, report.results[1]),
              "'/opt/my tools/korvex-host' --vst '/tmp/it'\\''s.so' validate --only render.finite --seed 42 --level 5 "
              "--timeout 60");
    EXPECT_EQ(std::filesystem::path(artifactFolder("/out", "render.direct", 7, 1)),
              std::filesystem::path("/out") / "render.direct");
    EXPECT_EQ(std::filesystem::path(artifactFolder("/out", "render.direct", 7, 3)),
              std::filesystem::path("/out") / "render.direct-seed7");
}

TEST(ValidateReportParts, TheProgressLineSaysWhatRunsHowManyAreDoneAndTheTimeSpent) {
    EXPECT_EQ(ProgressLine::text(3, 25, "render.direct", 4.2, 72.9), "[3/25 done] render.direct  4 s, 1 min 12 s in all");
    // Off a terminal it draws nothing at all.
    std::ostringstream plain;
    {
        ProgressLine line(plain, false, ProgressLine::Clock::now());
        line.begin(0, 2, "load");
        line.end();
    }
    EXPECT_EQ(plain.str(), "");
    std::ostringstream terminal;
    {
        ProgressLine line(terminal, true, ProgressLine::Clock::now());
        line.begin(1, 2, "load");
        line.end();
    }
    EXPECT_EQ(terminal.str().rfind("\r[1/2 done] load  0 s, 0 s in all", 0), 0u) << terminal.str();
    EXPECT_EQ(terminal.str().back(), '\r');
}

TEST(ValidateReportParts, TheSurveyIndexLinksEveryReportAndShowsTheWorstOfEachTest) {
    const std::vector<SurveyRow> rows = {
        {"odd.so", "odd.html", "1 passed, 1 failed", {{"load", "passed"}, {"render.direct", "failed"}}},
        {"fine <1>.so", "fine.html", "2 passed, 0 failed",
         {{"load", "passed"}, {"timing", "passed"}, {"timing", "warned"}, {"render.direct", "strange"}}},
    };
    const std::string html = surveyIndexHtml(rows);
    EXPECT_NE(html.find("<a href=\"odd.html\">odd.so</a>"), std::string::npos);
    EXPECT_NE(html.find("<a href=\"fine.html\">fine &lt;1&gt;.so</a>"), std::string::npos);
    for (const char* test : {"load", "render.direct", "timing"})
        EXPECT_NE(html.find(std::string("<th class=\"test\">") + test + "</th>"), std::string::npos) << test;
    EXPECT_NE(html.find("<td class=\"warned\" title=\"timing\">warned</td>"), std::string::npos);
    // A status this version does not know is shown as it is, as one to look at.
    EXPECT_NE(html.find("<td class=\"warned\" title=\"render.direct\">strange</td>"), std::string::npos);
}

}  // namespace
