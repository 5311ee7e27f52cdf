// State helpers for the state checks: a randomised set of values, the plug-in's values read
// back, and chunks compared with a message that says what differs.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {

// Sets random values: through the host for every parameter that reaches it; for a plug-in whose
// parameters the host cannot reach, straight into the plug-in. `extreme` 0 or 1 sets every value
// to that end instead. Answers how the values were set, for messages.
std::string randomiseState(Instance& instance, Probe& probe, std::mt19937_64& random, int extreme = -1);

// The plug-in's own value of every VST parameter.
std::vector<float> pluginValues(Instance& instance);

// "" when equal, else one line: sizes and the first differing byte.
std::string chunkDifference(const std::vector<uint8_t>& saved, const std::vector<uint8_t>& readBack);

// "" when equal within 1e-6, else the first few parameters that differ.
std::string valueDifference(const std::vector<float>& expected, const std::vector<float>& actual);

}  // namespace korvex_validate
