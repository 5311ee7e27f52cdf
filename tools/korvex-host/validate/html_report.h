// The run as one self-contained HTML page: the verdict first, every test with its status, time,
// seed, messages and figures, failures first, and pictures drawn as inline SVG from the charts the
// checks made (the module's cost per render call, the waveforms around a first difference), the
// editor's screenshot, a crash's call stack and the command that replays each test.
//
// Inline SVG rather than an embedded charting library: the page needs no script to show its
// charts (mail clients, CI artifact viewers and --dump-dom see them as they are), each chart's
// numbers are in the page itself for tests to read, and nothing grows a report by a library's
// hundreds of kilobytes per file.
#pragma once

#include <string>
#include <vector>

#include "tools/korvex-host/validate/report.h"

namespace korvex_validate {

std::string htmlText(const Report& report);
// std::runtime_error naming the file when it cannot be written.
void writeHtml(const Report& report, const std::string& path);

// How a report shows a status: "failed", "passed", "skipped", or "warned" for every other one.
std::string statusClass(const std::string& status);

// Markup characters escaped, for text and attribute values alike.
std::string htmlEscape(const std::string& text);
// One chart as an <svg> element with axes, labelled ticks, one polyline per series, a legend.
std::string svgChart(const Chart& chart);

}  // namespace korvex_validate
