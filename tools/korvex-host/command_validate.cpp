// `korvex-host validate`: the validation battery over one VST plug-in wrapped by the module.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "simhost/child_process.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/output_file.h"
#include "tools/korvex-host/validate/check.h"
#include "tools/korvex-host/validate/fuzz.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/runner.h"
#include "tools/korvex-host/validate/survey_index.h"

namespace {

namespace fs = std::filesystem;
using namespace korvex_validate;

struct ValidateCommand {
    bool list = false;
    bool json = false;  // --json was given, with or without a file (with --list: none)
    int level = 5;
    std::vector<std::string> only, skip;
    std::string seed;
    int repeat = 1;
    double timeout = 60.0;
    std::string jsonPath, junitPath;
    std::string artifacts, html;
    std::string index;                 // write a survey's index page from these JSON reports, and stop
    std::vector<std::string> reports;
    std::string keep;   // hidden: the child's folder for what it keeps
    bool noIsolation = false;
    bool strict = false;
    std::string blocks, rates;
    int jobs = 1;
    double fuzz = -1.0;  // seconds of --fuzz; negative: the battery
    std::string child;  // hidden: run this one check here and print its result
    std::string probe;  // hidden: the probe library (default: beside this executable)
};

void printList(std::ostream& out) {
    out << "test                      level  needs            what it checks\n";
    for (const CheckInfo& check : allChecks()) {
        std::string name = check.name, needs = needsText(check.needs);
        name.resize(std::max<size_t>(name.size(), 26), ' ');
        needs.resize(std::max<size_t>(needs.size(), 17), ' ');
        std::string level = std::to_string(check.level);
        level.resize(7, ' ');
        out << name << level << needs << check.summary << "\n";
    }
}

uint64_t parseSeed(const std::string& text) {
    if (text.empty()) return std::random_device{}();
    size_t used = 0;
    unsigned long long value = 0;
    try {
        value = std::stoull(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text[0] == '-') throw std::runtime_error("--seed " + text + ": not a whole number");
    return value;
}

void printListJson(std::ostream& out) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const CheckInfo& check : allChecks())
        list.push_back({{"name", check.name}, {"level", check.level}, {"needs", needsText(check.needs)},
                        {"summary", check.summary}});
    out << list.dump(2) << "\n";
}

// "render, state" and "render,state" name the same groups.
std::vector<std::string> trimmed(const std::vector<std::string>& names) {
    std::vector<std::string> out;
    for (const std::string& name : names) {
        const size_t first = name.find_first_not_of(" \t");
        if (first == std::string::npos) continue;
        out.push_back(name.substr(first, name.find_last_not_of(" \t") - first + 1));
    }
    return out;
}

std::string defaultProbe() {
    const fs::path self = simhost::currentExecutable();
    return (self.parent_path() / (std::string("korvex-probe") + simhost::librarySuffix())).string();
}

void run(const ValidateCommand& command) {
    if (command.list) {
        // Bare --json: the list as JSON on stdout; --json FILE: the table on stdout, the JSON in FILE.
        if (command.jsonPath.empty() && command.json) {
            printListJson(std::cout);
            return;
        }
        if (!command.jsonPath.empty()) {
            std::ostringstream json;
            printListJson(json);
            korvex_host::writeOutputFile(command.jsonPath, json.str(), "test list");
        }
        printList(std::cout);
        return;
    }
    if (!command.index.empty()) {
        if (command.reports.empty()) throw std::runtime_error("--index needs the JSON reports to list after it");
        writeSurveyIndex(command.index, command.reports);
        return;
    }
    // Every test installs the validator's probe in the plug-in's place: it needs a library to wrap.
    if (hostOptions().installed)
        throw std::runtime_error("validate puts its probe in the plug-in's place and cannot use --installed; "
                                 "give the installed library with --vst INSTALL-FOLDER");
    if (command.json && command.jsonPath.empty())
        throw std::runtime_error("--json needs a FILE for the report (without one it applies to --list only)");
    ValidateOptions validate;
    validate.vstPath = korvex_host::vstLibraryPath(hostOptions().vstPath);
    validate.modulePath = hostOptions().modulePath;
    validate.probePath = command.probe.empty() ? defaultProbe() : command.probe;
    validate.level = command.level;
    validate.timeoutSeconds = command.timeout;
    validate.blocks = command.blocks;
    validate.rates = command.rates;
    validate.keepDir = command.keep;
    const uint64_t seed = parseSeed(command.seed);
    // A bad list is the user's to mend before any test runs.
    parseBlockList(validate.blocks, seed);
    parseRateList(validate.rates, seed);

    if (!command.child.empty()) {
        std::exit(runChildCheck(command.child, validate, seed));
    }
    RunOptions options;
    options.validate = validate;
    options.only = trimmed(command.only);
    options.skip = trimmed(command.skip);
    options.seed = seed;
    options.repeat = command.repeat;
    options.isolate = !command.noIsolation;
    options.strict = command.strict;
    options.jobs = command.jobs;
    options.executable = simhost::currentExecutable();
    // Absolute, so the replay scripts of --artifacts work from any folder.
    options.childPrefix = {"--module", fs::absolute(validate.modulePath).string(), "--vst",
                           fs::absolute(validate.vstPath).string()};
    options.jsonPath = command.jsonPath;
    options.junitPath = command.junitPath;
    // Children start elsewhere than this process may; they get the folder as it is from here.
    options.artifactsDir = command.artifacts.empty() ? std::string() : fs::absolute(command.artifacts).string();
    options.htmlPath = command.html;
    // Everything that can be refused is refused before the first test runs.
    selectChecks(options);
    if (!options.jsonPath.empty()) korvex_host::checkOutputPath(options.jsonPath, "JSON report");
    if (!options.junitPath.empty()) korvex_host::checkOutputPath(options.junitPath, "JUnit report");
    if (!options.htmlPath.empty()) korvex_host::checkOutputPath(options.htmlPath, "HTML report");
    if (!fs::is_regular_file(validate.probePath))
        throw std::runtime_error("the validator's probe library is missing: " + validate.probePath);
    // A plug-in that is not there still gets its reports: a CI reads them, not this line.
    // A file that is there but no library is the load test's to judge, with the loader's words.
    if (!fs::is_regular_file(validate.vstPath)) {
        const std::string problem = korvex_host::vstLibraryProblem(validate.vstPath);
        writeUnloadableReports(options, problem);
        throw std::runtime_error(problem);
    }
    // In one process a crash ends the run; it still ends with one line naming the call.
    korvex_host::installFaultReport("validate");
    const int code = command.fuzz >= 0.0 ? runFuzz(options, command.fuzz, std::cout) : runBattery(options, std::cout);
    std::cout.flush();
    if (code != 0) std::exit(code);
}

}  // namespace

void addValidateCommand(CLI::App& app) {
    auto* command = app.add_subcommand("validate", "run the validation battery on the wrapped plug-in");
    static ValidateCommand options;
    command->add_flag("--list", options.list, "list the tests with their level and needs, and stop");
    command->add_option("--level", options.level, "run every test of this level and below (1 to 10)")
        ->check(CLI::Range(1, 10))
        ->capture_default_str();
    command->add_option("--only", options.only, "run only these tests or groups (comma-separated; any level)")
        ->delimiter(',');
    command->add_option("--skip", options.skip, "leave out these tests or groups (comma-separated)")->delimiter(',');
    command->add_option("--seed", options.seed, "seed of every random choice (default: a new one, printed)");
    command->add_option("--repeat", options.repeat, "run the selection this many times, the seed counting up")
        ->check(CLI::Range(1, 1000))
        ->capture_default_str();
    command->add_option("--timeout", options.timeout, "seconds each test may take")
        ->check(CLI::Range(0.1, 86400.0))
        ->capture_default_str();
    auto* json = command->add_option("--json", options.jsonPath,
                                     "write every result with its figures as JSON to FILE (with --list: print the list as JSON)")
                     ->expected(0, 1);
    command->add_option("--junit", options.junitPath, "write JUnit XML to FILE");
    command->add_option("--artifacts", options.artifacts,
                        "keep a folder per failed or warned test in DIR (replay script, inputs, outputs, logs, "
                        "call stack) and DIR/summary.json");
    command->add_option("--html", options.html, "write the report as one self-contained HTML page to FILE");
    command->add_option("--index", options.index,
                        "write a survey's index page to FILE from the JSON reports given after it, and stop");
    command->add_option("reports", options.reports, "JSON reports for --index");
    command->add_flag("--no-isolation", options.noIsolation,
                      "run every test in this process (faster; a crash ends the run)");
    command->add_option("--blocks", options.blocks,
                        "block sizes of every render test, comma-separated (1 to 8192), or 'random' (default: 1, 7, "
                        "32, 64, 256, 511, 512, 1024, 2048, 4096, 8192)");
    command->add_option("--rates", options.rates,
                        "sample rates of render.rates in Hz, comma-separated, or 'random' (default: 44100, 48000, "
                        "88200, 96000, 192000, 8000, 44123.45)");
    command->add_option("-j,--jobs", options.jobs,
                        "run this many tests at once, each in its own process (results stay in list order)")
        ->check(CLI::Range(1, 64))
        ->capture_default_str();
    command->add_option("--fuzz", options.fuzz,
                        "instead of the battery: random host-call sequences for SECONDS, each in its own process "
                        "(0: one sequence, to replay --seed)")
        ->check(CLI::Range(0.0, 864000.0));
    command->add_flag("--strict", options.strict, "a test that warns fails (the exit code says so too)");
    command->add_option("--child", options.child, "run one test here (used by the runner)")->group("");
    command->add_option("--probe", options.probe, "the validator's probe library")->group("");
    command->add_option("--keep", options.keep, "where the test run here keeps its files (used by the runner)")
        ->group("");
    command->callback([json] {
        options.json = json->count() > 0;
        run(options);
    });
}
