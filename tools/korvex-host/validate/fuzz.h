// `validate --fuzz`: random host-call sequences through the module and the probe against the
// plug-in under test, each in a child process under a time limit, until the time is up or one
// fails.
#pragma once

#include <ostream>

#include "tools/korvex-host/validate/check.h"
#include "tools/korvex-host/validate/runner.h"

namespace korvex_validate {

inline constexpr char kFuzzCheckName[] = "fuzz.sequence";
inline constexpr char kFuzzLinePrefix[] = "fuzz step ";

// The sequence as a check of its own, run in children by name; not part of the battery.
const CheckInfo& fuzzCheck();

// Sequences with seeds options.seed, +1, ... for `seconds` (0: exactly one, to replay a seed);
// prints a running count and, for a failing sequence, its seed and both sides of its log.
// Answers the exit code: 0 when every sequence passed.
int runFuzz(const RunOptions& options, double seconds, std::ostream& out);

}  // namespace korvex_validate
