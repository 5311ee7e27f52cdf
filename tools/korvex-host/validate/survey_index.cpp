// The survey's index page.
#include "tools/korvex-host/validate/survey_index.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>
#include <stdexcept>

#include "tools/korvex-host/output_file.h"
#include "tools/korvex-host/validate/html_report.h"

namespace korvex_validate {
namespace {

namespace fs = std::filesystem;

// Where the same test ran more than once, the worst of its runs shows.
int severity(const std::string& klass) {
    return klass == "failed" ? 3 : klass == "warned" ? 2 : klass == "passed" ? 1 : 0;
}

}  // namespace

std::string surveyIndexHtml(const std::vector<SurveyRow>& rows) {
    std::vector<std::string> tests;
    for (const SurveyRow& row : rows)
        for (const auto& [name, status] : row.statuses)
            if (std::find(tests.begin(), tests.end(), name) == tests.end()) tests.push_back(name);
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\"><title>korvex-host validate: "
                       "survey of " + std::to_string(rows.size()) + " plug-ins</title><style>"
                       "body{font:13px system-ui,sans-serif;margin:16px}table{border-collapse:collapse}"
                       "td,th{border:1px solid #ddd;padding:2px 6px;text-align:center}td.plugin{text-align:left}"
                       "th.test{writing-mode:vertical-rl;transform:rotate(180deg);font-weight:500}"
                       "td.failed{background:#f3c6c3}td.warned{background:#f6ddb0}td.passed{background:#c9e9cf}"
                       "td.skipped{background:#eee;color:#777}</style></head><body>\n";
    html += "<h1>Survey: " + std::to_string(rows.size()) + " plug-ins</h1>\n<table id=\"survey\"><tr><th>plug-in</th><th>result</th>";
    for (const std::string& test : tests) html += "<th class=\"test\">" + htmlEscape(test) + "</th>";
    html += "</tr>\n";
    for (const SurveyRow& row : rows) {
        html += "<tr class=\"plugin\" data-plugin=\"" + htmlEscape(row.plugin) + "\"><td class=\"plugin\"><a href=\"" +
                htmlEscape(row.link) + "\">" + htmlEscape(row.plugin) + "</a></td><td>" + htmlEscape(row.verdict) + "</td>";
        for (const std::string& test : tests) {
            std::string shown;
            for (const auto& [name, status] : row.statuses)
                if (name == test && (shown.empty() || severity(statusClass(status)) > severity(statusClass(shown))))
                    shown = status;
            html += shown.empty() ? std::string("<td></td>")
                                  : "<td class=\"" + statusClass(shown) + "\" title=\"" + htmlEscape(test) + "\">" +
                                        htmlEscape(shown) + "</td>";
        }
        html += "</tr>\n";
    }
    return html + "</table></body></html>\n";
}

void writeSurveyIndex(const std::string& indexPath, const std::vector<std::string>& jsonReports) {
    korvex_host::checkOutputPath(indexPath, "survey index");
    const fs::path indexFolder = fs::absolute(indexPath).parent_path();
    std::vector<SurveyRow> rows;
    for (const std::string& path : jsonReports) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw std::runtime_error("cannot read " + path);
        nlohmann::json report;
        try {
            report = nlohmann::json::parse(std::string(std::istreambuf_iterator<char>(in), {}));
        } catch (const std::exception& error) {
            throw std::runtime_error(path + " is no validate report: " + error.what());
        }
        SurveyRow row;
        const std::string plugin = report.value("plugin", path);
        row.plugin = plugin.substr(plugin.find_last_of("/\\") + 1);
        row.link = fs::proximate(fs::absolute(fs::path(path).replace_extension(".html")), indexFolder).generic_string();
        const nlohmann::json summary = report.value("summary", nlohmann::json::object());
        row.verdict = std::to_string(summary.value("passed", 0)) + " passed, " + std::to_string(summary.value("failed", 0)) +
                      " failed";
        if (const int warned = summary.value("warned", 0)) row.verdict += ", " + std::to_string(warned) + " warned";
        row.verdict += ", " + std::to_string(summary.value("skipped", 0)) + " skipped";
        for (const nlohmann::json& test : report.value("tests", nlohmann::json::array()))
            row.statuses.emplace_back(test.value("name", std::string("?")), test.value("status", std::string("?")));
        rows.push_back(std::move(row));
    }
    korvex_host::writeOutputFile(indexPath, surveyIndexHtml(rows), "survey index");
}

}  // namespace korvex_validate
