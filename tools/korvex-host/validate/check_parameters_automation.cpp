// parameters.automation: the plug-in's own gesture — begin edit, automate, end edit, reported to
// its host callback as a user moving its control would — reaches the host's automation as a touch,
// a set-value request and a release, and the host's answer brings the value back to the host's
// parameter and to the plug-in.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/plugin_parameters.h"

namespace korvex_validate {

void checkParameterAutomation(CheckContext& context) {
    Session& session = context.session();
    Probe& probe = session.probe();
    std::unique_ptr<Instance> instance = session.instance();
    std::vector<MappedParameter> parameters = mappedParameters(*instance, probe);
    if (parameters.empty()) {
        context.skip("skipped: no parameter of the plug-in reaches the host (see parameters.ids)");
        return;
    }
    AEffect* plugin = instance->plugin();
    simhost::SimAutomation& automation = instance->sim().automation();
    const int gestures = context.level() >= 10 ? 4 : 2;
    for (const MappedParameter& parameter : parameters) {
        const simhost::ParameterInfo& info = parameter.info;
        if (parameter.vstIndex < 0) continue;  // parameters.steps reports it
        const std::string name = "parameter \"" + info.id + "\"";
        if (!automation.isRegistered(info.id)) context.fail(name + " is not registered with the host's automation");
        for (int gesture = 0; gesture < gestures; ++gesture) {
            const double value = snapToSteps(info, context.uniform());
            const auto asFloat = static_cast<float>(value);
            probe.callHost(plugin, audioMasterBeginEdit, parameter.vstIndex, 0, nullptr, 0.0f);
            if (!automation.isTouched(info.id)) context.fail(name + ": the plug-in's begin-edit did not touch it");
            const size_t pendingBefore = instance->sim().pendingRequests();
            probe.callHost(plugin, audioMasterAutomate, parameter.vstIndex, 0, nullptr, asFloat);
            if (instance->sim().pendingRequests() <= pendingBefore)
                context.fail(name + ": the plug-in's automate made no set-value request to the host");
            // The host answers between buffers.
            instance->sim().pump();
            probe.callHost(plugin, audioMasterEndEdit, parameter.vstIndex, 0, nullptr, 0.0f);
            if (automation.isTouched(info.id)) context.fail(name + ": still touched after the plug-in's end-edit");

            const double kept = hostValue(*instance, info.id).value_or(-1.0);
            if (std::fabs(kept - static_cast<double>(asFloat)) > 1e-6)
                context.fail(name + ": automated to " + valueString(asFloat) + ", the host's value is " +
                             valueString(kept));
            const double answered = instance->pluginValue(parameter.vstIndex);
            if (std::fabs(answered - static_cast<double>(asFloat)) > 1e-4)
                context.fail(name + ": automated to " + valueString(asFloat) + ", the plug-in answers " +
                             valueString(answered));
            if (context.failed()) return;
        }
    }
    context.figure("parameters", static_cast<double>(parameters.size()));
}

}  // namespace korvex_validate
