// A run of the battery as reports show it: the summary table and final line on the terminal, a
// JSON file with every figure, and JUnit XML for CI systems.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/check.h"

namespace korvex_validate {

struct Report {
    std::string plugin;
    std::string module;
    int level = 0;
    uint64_t seed = 0;
    int repeat = 1;
    double timeoutSeconds = 60.0;
    std::vector<std::string> command;  // the executable and its options ahead of "validate"
    double seconds = 0.0;
    std::vector<CheckResult> results;  // in running order; repeats follow each other
    // Empty for a run that went to its end; else why it did not (an interruption, a crash of the
    // process the tests ran in), and the results are those of the tests that ran.
    std::string interrupted;
    std::vector<std::string> notices;  // about the whole run, one line each ("editor tests skipped: no display")

    int count(Status status) const;
};

// One check's result as JSON, and back: the child process hands its result over this way.
nlohmann::ordered_json resultJson(const CheckResult& result);
CheckResult resultFromJson(const nlohmann::json& json);

// The table of every result and the verdict line "N passed, M failed, K skipped".
void printSummary(std::ostream& out, const Report& report);
std::string verdictLine(const Report& report);

// std::runtime_error naming the file when it cannot be written.
void writeJson(const Report& report, const std::string& path);
void writeJunit(const Report& report, const std::string& path);
// The same documents as text, for tests and for writing.
std::string jsonText(const Report& report);
std::string junitText(const Report& report);

}  // namespace korvex_validate
