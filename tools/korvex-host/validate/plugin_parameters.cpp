// Parameter helpers shared by the parameter and state checks.
#include "tools/korvex-host/validate/plugin_parameters.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>

#include "acf/result_codes.h"
#include "util/aax_string.h"

namespace korvex_validate {
namespace {

// A host shows a value in a field of about this many characters.
constexpr int32_t kTextLimit = 32;
constexpr int32_t kMaxPoints = 65;

}  // namespace

std::vector<MappedParameter> mappedParameters(Instance& instance, Probe& probe) {
    std::vector<MappedParameter> mapped;
    const std::string bypass = instance.sim().masterBypassId();
    for (const simhost::ParameterInfo& info : instance.sim().parameterList()) {
        if (info.id == bypass) continue;
        MappedParameter parameter;
        parameter.info = info;
        if (instance.probeIndex() >= 0)
            parameter.vstIndex = static_cast<int32_t>(
                probe.dispatch(instance.probeIndex(), kPrivateGetParamIndex, 0, 0, const_cast<char*>(info.id.c_str())));
        mapped.push_back(parameter);
    }
    return mapped;
}

std::vector<double> parameterPoints(const simhost::ParameterInfo& info) {
    const int32_t count = std::clamp(info.steps, 2, kMaxPoints);
    std::vector<double> points;
    for (int32_t k = 0; k < count; ++k) points.push_back(static_cast<double>(k) / (count - 1));
    return points;
}

double snapToSteps(const simhost::ParameterInfo& info, double value) {
    if (info.steps < 2) return value;
    const double last = info.steps - 1;
    return std::round(value * last) / last;
}

std::optional<double> hostValue(Instance& instance, const std::string& id) {
    double value = 0.0;
    if (instance.sim().effectParameters()->GetParameterNormalizedValue(id.c_str(), &value) != kResultSuccess)
        return std::nullopt;
    return value;
}

std::optional<std::string> valueText(Instance& instance, const std::string& id, double value) {
    AAX_CString text;
    if (instance.sim().effectParameters()->GetParameterStringFromValue(id.c_str(), value, &text, kTextLimit) !=
        kResultSuccess)
        return std::nullopt;
    return text.StdString();
}

std::optional<double> textValue(Instance& instance, const std::string& id, const std::string& text) {
    double value = 0.0;
    const AAX_CString asText(text.c_str());
    if (instance.sim().effectParameters()->GetParameterValueFromString(id.c_str(), &value, &asText) != kResultSuccess)
        return std::nullopt;
    return value;
}

double textResolution(const std::string& text) {
    const size_t digits = text.find_first_of("0123456789");
    if (digits == std::string::npos) return 0.0;
    const size_t point = text.find('.');
    if (point == std::string::npos) return 0.5;
    size_t decimals = 0;
    while (point + 1 + decimals < text.size() && std::isdigit(static_cast<unsigned char>(text[point + 1 + decimals])))
        ++decimals;
    return 0.5 * std::pow(10.0, -static_cast<double>(decimals));
}

std::string valueString(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", value);
    return text;
}

}  // namespace korvex_validate
