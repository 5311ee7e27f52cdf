// The HTML report's page and its charts.
#include "tools/korvex-host/validate/html_report.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <stdexcept>

#include "tools/korvex-host/output_file.h"
#include "tools/korvex-host/validate/artifacts.h"
#include "tools/korvex-host/validate/result_extras.h"

namespace korvex_validate {
namespace {

constexpr double kWidth = 760, kHeight = 300;
constexpr double kLeft = 78, kRight = 16, kTop = 16, kBottom = 48;
constexpr const char* kColours[] = {"#1f6fb4", "#e0741a", "#2a9d3a", "#b03a9e", "#777777"};

std::string number(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4g", value);
    return text;
}

std::string coordinate(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

std::string secondsText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", value);
    return text;
}

// Failed first, then whatever asks for a look, then passed, then skipped.
int rank(const std::string& klass) {
    return klass == "failed" ? 0 : klass == "warned" ? 1 : klass == "passed" ? 2 : 3;
}

struct Range {
    double low = std::numeric_limits<double>::infinity();
    double high = -std::numeric_limits<double>::infinity();
    void add(double value) {
        if (!std::isfinite(value)) return;
        low = std::min(low, value);
        high = std::max(high, value);
    }
    bool empty() const { return !(low <= high); }
    // A flat or empty range still gets an axis.
    void settle() {
        if (empty()) low = 0, high = 1;
        if (high - low < 1e-12 * std::max(1.0, std::fabs(high))) low -= 0.5, high += 0.5;
    }
};

std::string figureValue(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

const char* kStyle = R"(
body{font:14px/1.45 system-ui,sans-serif;margin:0;color:#1d1d1f;background:#fafafa}
header{padding:16px 24px;color:#fff}
header.failed{background:#b3261e}header.warned{background:#a86400}header.passed{background:#1e7a34}
header h1{margin:0 0 4px;font-size:24px}header dl{display:grid;grid-template-columns:max-content auto;gap:2px 12px;margin:8px 0 0}
header dt{opacity:.8}header dd{margin:0;font-family:monospace;word-break:break-all}
main{padding:8px 24px 32px}
table{border-collapse:collapse}td,th{padding:3px 10px;text-align:left;border-bottom:1px solid #ddd;vertical-align:top}
.status{display:inline-block;min-width:56px;padding:1px 6px;border-radius:4px;color:#fff;font-weight:600;text-align:center}
.status.failed{background:#b3261e}.status.warned{background:#a86400}.status.passed{background:#1e7a34}.status.skipped{background:#888}
section.test{background:#fff;border:1px solid #ddd;border-left:6px solid #888;border-radius:4px;margin:16px 0;padding:8px 16px}
section.test.failed{border-left-color:#b3261e}section.test.warned{border-left-color:#a86400}section.test.passed{border-left-color:#1e7a34}
section.test h2{font-size:17px;margin:6px 0}
ul.messages li{font-family:monospace;white-space:pre-wrap;word-break:break-word}
figure{margin:12px 0}figcaption{font-size:13px;color:#444}
svg.chart{background:#fff;border:1px solid #ccc}svg.chart text{font:11px sans-serif;fill:#333}
pre{background:#f3f3f3;padding:8px;overflow-x:auto;font-size:12px}code.replay{font-size:12px;word-break:break-all}
td.key-figure{font-weight:700}img.screenshot{border:1px solid #ccc;max-width:100%}
)";

std::string figuresTable(const CheckResult& result) {
    if (result.figures.empty()) return {};
    std::string html = "<table class=\"figures\"><tr><th>figure</th><th>value</th></tr>";
    for (const Figure& figure : result.figures) {
        // Latency and tail lengths are what a host needs from a plug-in; they stand out.
        const bool key = figure.name.find("latency") != std::string::npos || figure.name.find("tail") != std::string::npos;
        html += std::string("<tr><td") + (key ? " class=\"key-figure\"" : "") + ">" + htmlEscape(figure.name) +
                "</td><td>" + figureValue(figure.value) + "</td></tr>";
    }
    return html + "</table>";
}

std::string testSection(const Report& report, const CheckResult& result, size_t index) {
    const std::string klass = statusClass(statusName(result.status));
    std::string html = "<section class=\"test " + klass + "\" id=\"test-" + std::to_string(index) + "\" data-name=\"" +
                       htmlEscape(result.name) + "\" data-status=\"" + klass + "\">";
    html += "<h2><span class=\"status " + klass + "\">" + htmlEscape(statusName(result.status)) + "</span> " +
            htmlEscape(result.name) + "</h2>";
    html += "<p class=\"facts\">duration <span class=\"duration\">" + secondsText(result.seconds) +
            "</span> &middot; seed <span class=\"seed\">" + std::to_string(result.seed) + "</span></p>";
    if (!result.messages.empty()) {
        html += "<ul class=\"messages\">";
        for (const std::string& message : result.messages) html += "<li>" + htmlEscape(message) + "</li>";
        html += "</ul>";
    }
    html += figuresTable(result);
    for (const Chart& chart : result.charts)
        html += "<figure class=\"chart\">" + svgChart(chart) + "<figcaption>" + htmlEscape(chart.title) +
                "</figcaption></figure>";
    for (const Picture& picture : result.pictures)
        html += "<figure class=\"picture\"><img class=\"screenshot\" alt=\"" + htmlEscape(picture.title) +
                "\" src=\"data:image/png;base64," + base64(picture.png) + "\"><figcaption>" +
                htmlEscape(picture.title) + "</figcaption></figure>";
    if (!result.stack.empty())
        html += "<details open><summary>call stack of the crashing thread</summary><pre class=\"stack\">" +
                htmlEscape(result.stack) + "</pre></details>";
    if (!result.log.empty())
        html += "<details><summary>what the test process wrote to stderr (its end)</summary><pre class=\"log\">" +
                htmlEscape(result.log) + "</pre></details>";
    if (result.status != Status::Skipped && !report.command.empty())
        html += "<p>replay: <code class=\"replay\">" + htmlEscape(replayCommandLine(report, result)) + "</code></p>";
    return html + "</section>\n";
}

}  // namespace

std::string statusClass(const std::string& status) {
    if (status == "failed" || status == "passed" || status == "skipped") return status;
    return "warned";
}

std::string htmlEscape(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

std::string svgChart(const Chart& chart) {
    const auto xOf = [&chart](double x) { return chart.logX ? (x > 0 ? std::log10(x) : NAN) : x; };
    Range xs, ys;
    size_t points = 0;
    for (const Series& line : chart.series)
        for (size_t i = 0; i < std::min(line.x.size(), line.y.size()); ++i) {
            if (!std::isfinite(xOf(line.x[i])) || !std::isfinite(line.y[i])) continue;
            xs.add(xOf(line.x[i]));
            ys.add(line.y[i]);
            ++points;
        }
    if (chart.hasMarker) xs.add(xOf(chart.markerX));
    xs.settle();
    ys.settle();
    const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;
    const auto px = [&](double x) { return kLeft + (x - xs.low) / (xs.high - xs.low) * plotW; };
    const auto py = [&](double y) { return kTop + (ys.high - y) / (ys.high - ys.low) * plotH; };

    std::string svg = "<svg class=\"chart\" xmlns=\"http://www.w3.org/2000/svg\" width=\"" + number(kWidth) +
                      "\" height=\"" + number(kHeight) + "\" viewBox=\"0 0 " + number(kWidth) + " " + number(kHeight) +
                      "\" role=\"img\" aria-label=\"" + htmlEscape(chart.title) + "\" data-points=\"" +
                      std::to_string(points) + "\">";
    svg += "<rect x=\"" + coordinate(kLeft) + "\" y=\"" + coordinate(kTop) + "\" width=\"" + coordinate(plotW) +
           "\" height=\"" + coordinate(plotH) + "\" fill=\"none\" stroke=\"#999\"/>";
    // Five ticks on each axis, labelled with their values; a log axis labels its real values.
    for (int i = 0; i <= 4; ++i) {
        const double yValue = ys.low + (ys.high - ys.low) * i / 4.0;
        const double y = py(yValue);
        svg += "<line class=\"grid\" x1=\"" + coordinate(kLeft) + "\" x2=\"" + coordinate(kLeft + plotW) + "\" y1=\"" +
               coordinate(y) + "\" y2=\"" + coordinate(y) + "\" stroke=\"#eee\"/>";
        svg += "<text class=\"tick y\" x=\"" + coordinate(kLeft - 6) + "\" y=\"" + coordinate(y + 4) +
               "\" text-anchor=\"end\">" + number(yValue) + "</text>";
        const double xValue = xs.low + (xs.high - xs.low) * i / 4.0;
        svg += "<text class=\"tick x\" x=\"" + coordinate(px(xValue)) + "\" y=\"" + coordinate(kTop + plotH + 16) +
               "\" text-anchor=\"middle\">" + number(chart.logX ? std::pow(10.0, xValue) : xValue) + "</text>";
    }
    svg += "<text class=\"axis x\" x=\"" + coordinate(kLeft + plotW / 2) + "\" y=\"" + coordinate(kHeight - 8) +
           "\" text-anchor=\"middle\">" + htmlEscape(chart.xLabel) + (chart.logX ? " (log scale)" : "") + "</text>";
    svg += "<text class=\"axis y\" x=\"14\" y=\"" + coordinate(kTop + plotH / 2) +
           "\" text-anchor=\"middle\" transform=\"rotate(-90 14 " + coordinate(kTop + plotH / 2) + ")\">" +
           htmlEscape(chart.yLabel) + "</text>";
    if (chart.hasMarker && std::isfinite(xOf(chart.markerX))) {
        const double x = px(xOf(chart.markerX));
        svg += "<line class=\"marker\" x1=\"" + coordinate(x) + "\" x2=\"" + coordinate(x) + "\" y1=\"" +
               coordinate(kTop) + "\" y2=\"" + coordinate(kTop + plotH) +
               "\" stroke=\"#b3261e\" stroke-dasharray=\"4 3\"/>";
        svg += "<text class=\"marker\" x=\"" + coordinate(x + 4) + "\" y=\"" + coordinate(kTop + 12) + "\">" +
               htmlEscape(chart.markerLabel) + " (" + number(chart.markerX) + ")</text>";
    }
    for (size_t s = 0; s < chart.series.size(); ++s) {
        const Series& line = chart.series[s];
        const char* colour = kColours[s % (sizeof kColours / sizeof kColours[0])];
        std::string coordinates;
        size_t count = 0;
        for (size_t i = 0; i < std::min(line.x.size(), line.y.size()); ++i) {
            const double x = xOf(line.x[i]);
            if (!std::isfinite(x) || !std::isfinite(line.y[i])) continue;
            coordinates += (count++ ? " " : "") + coordinate(px(x)) + "," + coordinate(py(line.y[i]));
        }
        svg += "<polyline class=\"series\" data-name=\"" + htmlEscape(line.name) + "\" data-points=\"" +
               std::to_string(count) + "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\" points=\"" +
               coordinates + "\"/>";
        const double legendY = kTop + 14 + 14.0 * static_cast<double>(s);
        svg += "<rect x=\"" + coordinate(kLeft + plotW - 170) + "\" y=\"" + coordinate(legendY - 8) +
               "\" width=\"10\" height=\"3\" fill=\"" + colour + "\"/><text class=\"legend\" x=\"" +
               coordinate(kLeft + plotW - 155) + "\" y=\"" + coordinate(legendY - 3) + "\">" + htmlEscape(line.name) +
               "</text>";
    }
    return svg + "</svg>";
}

std::string htmlText(const Report& report) {
    const int failed = report.count(Status::Failed);
    int attention = 0;
    for (const CheckResult& result : report.results) attention += needsAttention(result) ? 1 : 0;
    const std::string verdict = failed > 0 ? "failed" : attention > 0 ? "warned" : "passed";
    const std::string plugin = report.plugin.substr(report.plugin.find_last_of("/\\") + 1);

    std::vector<size_t> order(report.results.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&report](size_t a, size_t b) {
        return rank(statusClass(statusName(report.results[a].status))) <
               rank(statusClass(statusName(report.results[b].status)));
    });

    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
                       "<meta name=\"viewport\" content=\"width=device-width\"><title>" +
                       htmlEscape(plugin) + ": korvex-host validate " + verdict + "</title><style>" + kStyle +
                       "</style></head><body>\n";
    std::string word = verdict == "failed" ? "Failed" : verdict == "warned" ? "Passed with warnings" : "Passed";
    html += "<header id=\"verdict\" class=\"" + verdict + "\" data-verdict=\"" + verdict + "\"><h1>" + word + ": " +
            htmlEscape(plugin) + "</h1><div class=\"verdict-line\">" + htmlEscape(verdictLine(report)) + "</div><dl>";
    html += "<dt>plug-in</dt><dd>" + htmlEscape(report.plugin) + "</dd>";
    html += "<dt>module</dt><dd>" + htmlEscape(report.module) + "</dd>";
    html += "<dt>level, seed</dt><dd>" + std::to_string(report.level) + ", " + std::to_string(report.seed) +
            (report.repeat > 1 ? " (" + std::to_string(report.repeat) + " runs, seeds counting up)" : "") + "</dd>";
    html += "<dt>duration</dt><dd>" + secondsText(report.seconds) + "</dd></dl></header>\n<main>\n";

    html += "<table id=\"overview\"><tr><th>status</th><th>test</th><th>duration</th><th>seed</th><th>first "
            "message</th></tr>";
    for (size_t i : order) {
        const CheckResult& result = report.results[i];
        const std::string klass = statusClass(statusName(result.status));
        html += "<tr data-status=\"" + klass + "\"><td><span class=\"status " + klass + "\">" +
                htmlEscape(statusName(result.status)) + "</span></td><td><a href=\"#test-" + std::to_string(i) + "\">" +
                htmlEscape(result.name) + "</a></td><td>" + secondsText(result.seconds) + "</td><td>" +
                std::to_string(result.seed) + "</td><td>" +
                htmlEscape(result.messages.empty() ? std::string() : result.messages.front()) + "</td></tr>";
    }
    html += "</table>\n";
    for (size_t i : order) html += testSection(report, report.results[i], i);
    return html + "</main></body></html>\n";
}

void writeHtml(const Report& report, const std::string& path) {
    korvex_host::writeOutputFile(path, htmlText(report), "HTML report");
}

}  // namespace korvex_validate
