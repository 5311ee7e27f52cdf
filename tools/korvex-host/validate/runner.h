// Running the battery: which checks, in which process, with which seed and time limit; the
// parent side collects every result into a report, the child side runs one check and hands back
// its result on standard output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/check.h"
#include "tools/korvex-host/validate/report.h"

namespace simhost {
struct ChildResult;
}

namespace korvex_validate {

struct RunOptions {
    ValidateOptions validate;
    std::vector<std::string> only;  // names or groups ("render" is every render.* check); empty: all
    std::vector<std::string> skip;
    uint64_t seed = 0;
    int repeat = 1;
    bool isolate = true;            // each check in a child process of this executable
    bool strict = false;            // a warning fails its test
    int jobs = 1;                   // isolated tests run at once (results still in list order)
    std::string executable;         // what children run; this executable by default
    std::vector<std::string> childPrefix;  // arguments children get ahead of "validate" (--module, --vst)
    std::string jsonPath;
    std::string junitPath;
    std::string artifactsDir;  // a folder per failed or warned test, and summary.json
    std::string htmlPath;
};

// The checks a run selects, in running order; std::runtime_error naming an unknown name.
std::vector<const CheckInfo*> selectChecks(const RunOptions& options);

// The whole run; prints progress, the summary and the verdict on `out`; answers the exit code:
// 0 when nothing failed. The JSON and JUnit files asked for are kept current while it runs, so a
// run that ends abruptly leaves them saying so; an interruption (SIGINT, SIGTERM) ends the run
// after the test in progress is stopped, and its report says it was interrupted.
// std::runtime_error with one line when the run was interrupted, after the reports are written.
int runBattery(const RunOptions& options, std::ostream& out);

// The reports of a run that could not start because the plug-in is not there: its load test
// failed with `reason`, every other test skipped.
void writeUnloadableReports(const RunOptions& options, const std::string& reason);

// One check in this process, with every failure caught into the result.
CheckResult runCheckHere(const CheckInfo& check, const ValidateOptions& options, uint64_t seed);

// The child's side: runs the check, prints its result after kResultMarker; ends the process
// itself, with a line naming the call it was in, when the check outlives the time-out.
int runChildCheck(const std::string& name, const ValidateOptions& options, uint64_t seed);
inline constexpr char kResultMarker[] = "@korvex-validate-result ";

// What the parent makes of a child that ended: its result, or a failure saying how it ended.
struct ChildEnd {
    bool started = true;
    bool timedOut = false;
    bool crashed = false;
    std::string fault;
    int exitCode = 0;
    double seconds = 0.0;
    std::string out;
    std::string err;
};
CheckResult resultOfChild(const std::string& name, uint64_t seed, const ChildEnd& end, double timeoutSeconds);
// What a finished child process left, as resultOfChild reads it.
ChildEnd endOf(const simhost::ChildResult& child);

// A strict run's view of a result: its warnings make it a failure, saying so first.
void applyStrict(CheckResult& result);

}  // namespace korvex_validate
