// The index page of a survey: every plug-in's HTML report linked, and the status of every test in
// one table, plug-ins as rows and tests as columns. Read from the runs' JSON reports.
#pragma once

#include <string>
#include <vector>

namespace korvex_validate {

struct SurveyRow {
    std::string plugin;  // as the report names it
    std::string link;    // the HTML report, relative to the index page
    std::string verdict; // "3 passed, 1 failed"
    std::vector<std::pair<std::string, std::string>> statuses;  // test name, status as written
};

std::string surveyIndexHtml(const std::vector<SurveyRow>& rows);

// Reads each JSON report (the HTML report is the same path ending in .html) and writes the index;
// std::runtime_error naming a report that cannot be read or an index that cannot be written.
void writeSurveyIndex(const std::string& indexPath, const std::vector<std::string>& jsonReports);

}  // namespace korvex_validate
