// `korvex-host validate`: the validation battery over one VST plug-in wrapped by the module.
#include <CLI/CLI.hpp>

#include <filesystem>
#include <iostream>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "simhost/child_process.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/check.h"
#include "tools/korvex-host/validate/runner.h"
#include "tools/korvex-host/validate/survey_index.h"

namespace {

namespace fs = std::filesystem;
using namespace korvex_validate;

struct ValidateCommand {
    bool list = false;
    int level = 5;
    std::vector<std::string> only, skip;
    std::string seed;
    int repeat = 1;
    double timeout = 60.0;
    std::string json, junit;
    std::string artifacts, html;
    std::string index;                 // write a survey's index page from these JSON reports, and stop
    std::vector<std::string> reports;
    std::string keep;   // hidden: the child's folder for what it keeps
    bool noIsolation = false;
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

std::string defaultProbe() {
    const fs::path self = simhost::currentExecutable();
    return (self.parent_path() / (std::string("korvex-probe") + simhost::librarySuffix())).string();
}

void run(const ValidateCommand& command) {
    if (command.list) {
        printList(std::cout);
        return;
    }
    if (!command.index.empty()) {
        if (command.reports.empty()) throw std::runtime_error("--index needs the JSON reports to list after it");
        writeSurveyIndex(command.index, command.reports);
        return;
    }
    ValidateOptions validate;
    validate.vstPath = korvex_host::vstLibraryPath(hostOptions().vstPath);
    validate.modulePath = hostOptions().modulePath;
    validate.probePath = command.probe.empty() ? defaultProbe() : command.probe;
    validate.level = command.level;
    validate.timeoutSeconds = command.timeout;
    validate.keepDir = command.keep;
    const uint64_t seed = parseSeed(command.seed);

    if (!command.child.empty()) {
        std::exit(runChildCheck(command.child, validate, seed));
    }
    if (!fs::is_regular_file(validate.vstPath)) throw std::runtime_error("VST plug-in not found: " + validate.vstPath);
    if (!fs::is_regular_file(validate.probePath))
        throw std::runtime_error("the validator's probe library is missing: " + validate.probePath);

    RunOptions options;
    options.validate = validate;
    options.only = command.only;
    options.skip = command.skip;
    options.seed = seed;
    options.repeat = command.repeat;
    options.isolate = !command.noIsolation;
    options.executable = simhost::currentExecutable();
    // Absolute, so the replay scripts of --artifacts work from any folder.
    options.childPrefix = {"--module", fs::absolute(validate.modulePath).string(), "--vst",
                           fs::absolute(validate.vstPath).string()};
    options.jsonPath = command.json;
    options.junitPath = command.junit;
    // Children start elsewhere than this process may; they get the folder as it is from here.
    options.artifactsDir = command.artifacts.empty() ? std::string() : fs::absolute(command.artifacts).string();
    options.htmlPath = command.html;
    // In one process a crash ends the run; it still ends with one line naming the call.
    if (!options.isolate) korvex_host::installFaultReport("validate");
    const int code = runBattery(options, std::cout);
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
    command->add_option("--json", options.json, "write every result with its figures as JSON to FILE");
    command->add_option("--junit", options.junit, "write JUnit XML to FILE");
    command->add_option("--artifacts", options.artifacts,
                        "keep a folder per failed or warned test in DIR (replay script, inputs, outputs, logs, "
                        "call stack) and DIR/summary.json");
    command->add_option("--html", options.html, "write the report as one self-contained HTML page to FILE");
    command->add_option("--index", options.index,
                        "write a survey's index page to FILE from the JSON reports given after it, and stop");
    command->add_option("reports", options.reports, "JSON reports for --index");
    command->add_flag("--no-isolation", options.noIsolation,
                      "run every test in this process (faster; a crash ends the run)");
    command->add_option("--child", options.child, "run one test here (used by the runner)")->group("");
    command->add_option("--probe", options.probe, "the validator's probe library")->group("");
    command->add_option("--keep", options.keep, "where the test run here keeps its files (used by the runner)")
        ->group("");
    command->callback([] { run(options); });
}
