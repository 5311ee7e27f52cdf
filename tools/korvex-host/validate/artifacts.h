// The folder a run leaves for every failed or warned test: a script that replays exactly that
// test, what the test kept (inputs, outputs, logs, pictures), the child's stderr and the crashing
// thread's stack; summary.json beside them is the run's JSON report.
#pragma once

#include <string>
#include <vector>

#include "tools/korvex-host/validate/report.h"

namespace korvex_validate {

// The command that runs one test again with its seed, level and time-out, as argv.
std::vector<std::string> replayArguments(const Report& report, const CheckResult& result);
// The same as one line a person can paste into a shell.
std::string replayCommandLine(const Report& report, const CheckResult& result);

// A test's own folder under the run's: its name, with the seed when the run repeats tests.
std::string artifactFolder(const std::string& root, const std::string& name, uint64_t seed, int repeat);

// After a test: for one that needs attention its folder gets the replay script, result.json,
// stderr.txt (`err`, when the test ran in a process of its own) and stack.txt; the folder of one
// that passed or was skipped goes. std::runtime_error naming the file that cannot be written.
void settleArtifacts(const std::string& root, const Report& report, const CheckResult& result, const std::string& err);

// summary.json: the same document --json writes.
void writeSummary(const std::string& root, const Report& report);

}  // namespace korvex_validate
