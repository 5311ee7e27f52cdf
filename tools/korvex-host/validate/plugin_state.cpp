// Randomised states, read-back values and chunk comparisons.
#include "tools/korvex-host/validate/plugin_state.h"

#include <cmath>
#include <cstdio>

#include "tools/korvex-host/chunk_difference.h"
#include "tools/korvex-host/validate/plugin_parameters.h"

namespace korvex_validate {

std::string randomiseState(Instance& instance, Probe& probe, std::mt19937_64& random, int extreme) {
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    const auto pick = [&] { return extreme >= 0 ? static_cast<double>(extreme) : uniform(random); };
    const std::vector<MappedParameter> parameters = mappedParameters(instance, probe);
    if (!parameters.empty()) {
        for (const MappedParameter& parameter : parameters)
            instance.set(parameter.info.id, snapToSteps(parameter.info, pick()));
        return "through the host";
    }
    const int32_t count = instance.facts().numParams;
    for (int32_t i = 0; i < count; ++i) probe.setParameter(instance.probeIndex(), i, static_cast<float>(pick()));
    return "straight into the plug-in (no parameter reaches the host)";
}

std::vector<float> pluginValues(Instance& instance) {
    std::vector<float> values;
    const int32_t count = instance.facts().numParams;
    for (int32_t i = 0; i < count; ++i) values.push_back(instance.pluginValue(i));
    return values;
}

std::string chunkDifference(const std::vector<uint8_t>& saved, const std::vector<uint8_t>& readBack) {
    return korvex_host::chunkDifference(saved, readBack);
}

std::string valueDifference(const std::vector<float>& expected, const std::vector<float>& actual) {
    std::string text;
    int shown = 0, differing = 0;
    for (size_t i = 0; i < expected.size() && i < actual.size(); ++i) {
        if (std::fabs(static_cast<double>(expected[i]) - actual[i]) <= 1e-6) continue;
        ++differing;
        if (shown++ < 4)
            text += (text.empty() ? "" : ", ") + std::string("parameter ") + std::to_string(i) + " " +
                    valueString(expected[i]) + " expected, " + valueString(actual[i]) + " found";
    }
    if (differing > shown) text += " and " + std::to_string(differing - shown) + " more";
    return text;
}

}  // namespace korvex_validate
