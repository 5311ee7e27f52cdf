// parameters.steps: each parameter through each of its steps (at most 65 points): the host keeps
// the value, the plug-in answers it back (getParameter within 1e-4), the value's text reads back
// to the value within the text's resolution, and the default is the plug-in's own starting value.
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/plugin_parameters.h"

namespace korvex_validate {
namespace {

constexpr double kPluginTolerance = 1e-4;
constexpr double kHostTolerance = 1e-6;  // the module keeps float values

}  // namespace

void checkParameterSteps(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const std::vector<MappedParameter> parameters = mappedParameters(*instance, session.probe());
    if (parameters.empty()) {
        context.skip("skipped: no parameter of the plug-in reaches the host (see parameters.ids)");
        return;
    }
    int points = 0;
    for (const MappedParameter& parameter : parameters) {
        const simhost::ParameterInfo& info = parameter.info;
        const std::string name = "parameter \"" + info.id + "\"";
        if (parameter.vstIndex < 0) {
            context.fail(name + ": the plug-in resolves its ID to no index (opcode -15)");
            continue;
        }
        const double start = instance->pluginValue(parameter.vstIndex);
        if (std::fabs(info.defaultValue - start) > kPluginTolerance)
            context.fail(name + ": the host's default " + valueString(info.defaultValue) +
                         " is not the plug-in's starting value " + valueString(start));
        for (double value : parameterPoints(info)) {
            ++points;
            const std::string at = name + " at " + valueString(value);
            if (!instance->set(info.id, value)) {
                context.fail(at + ": the module refused the host's value");
                continue;
            }
            const std::optional<double> kept = hostValue(*instance, info.id);
            if (!kept || std::fabs(*kept - value) > kHostTolerance)
                context.fail(at + ": the host reads back " + (kept ? valueString(*kept) : std::string("nothing")));
            const double answered = instance->pluginValue(parameter.vstIndex);
            if (!std::isfinite(answered) || std::fabs(answered - value) > kPluginTolerance)
                context.fail(at + ": the plug-in answers " + valueString(answered) + " (getParameter)");

            const std::optional<std::string> text = valueText(*instance, info.id, value);
            if (!text) {
                context.fail(at + ": no text for the value");
                continue;
            }
            const std::optional<double> back = textValue(*instance, info.id, *text);
            if (!back) {
                context.fail(at + ": its text \"" + *text + "\" does not read back");
                continue;
            }
            if (std::fabs(*back - value) > textResolution(*text) + 1e-6)
                context.fail(at + ": its text \"" + *text + "\" reads back as " + valueString(*back));
            const std::optional<std::string> again = valueText(*instance, info.id, *back);
            if (!again || *again != *text)
                context.fail(at + ": text \"" + *text + "\" to value to text gives \"" + again.value_or("") + "\"");
        }
        // Back to the default: the plug-in must follow there too.
        instance->set(info.id, info.defaultValue);
        const double reset = instance->pluginValue(parameter.vstIndex);
        if (std::fabs(reset - info.defaultValue) > kPluginTolerance)
            context.fail(name + ": reset to its default " + valueString(info.defaultValue) + ", the plug-in answers " +
                         valueString(reset));
    }
    context.figure("parameters", static_cast<double>(parameters.size()));
    context.figure("points", points);
}

}  // namespace korvex_validate
