// The plug-in's parameters as a check meets them: each host parameter (the bypass aside) with the
// VST index its ID text resolves to, and the host's text conversions.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {

struct MappedParameter {
    simhost::ParameterInfo info;
    int32_t vstIndex = -1;  // what the plug-in answers to -15 for the ID; negative when it knows none
};

// Every host parameter except the master bypass, in host order.
std::vector<MappedParameter> mappedParameters(Instance& instance, Probe& probe);

// The points a parameter is driven through: each of its steps, at most 65 evenly spaced.
std::vector<double> parameterPoints(const simhost::ParameterInfo& info);

// A value snapped to the parameter's steps (as a host's control would send it).
double snapToSteps(const simhost::ParameterInfo& info, double value);

// The host's normalized value of a parameter (slot 23); empty when refused.
std::optional<double> hostValue(Instance& instance, const std::string& id);
// Slot 21 and slot 20: value to text and text to value; empty when refused.
std::optional<std::string> valueText(Instance& instance, const std::string& id, double value);
std::optional<double> textValue(Instance& instance, const std::string& id, const std::string& text);

// Half a unit of the last digit a number text shows ("0.35" -> 0.005); 0 for words ("on").
double textResolution(const std::string& text);

std::string valueString(double value);

}  // namespace korvex_validate
