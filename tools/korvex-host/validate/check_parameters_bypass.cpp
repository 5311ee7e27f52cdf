// parameters.bypass: the master bypass is a two-step switch the host can automate; turning it on
// and off reaches the plug-in as effSetBypass 1 and 0, and the plug-in renders finite output
// while bypassed.
#include <memory>
#include <optional>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/plugin_parameters.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkParameterBypass(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const std::string id = instance->sim().masterBypassId();
    const std::optional<simhost::ParameterInfo> bypass = instance->sim().findParameter(id);
    if (!bypass) context.abort("the host finds no master bypass parameter");
    if (bypass->name != "Master Bypass") context.fail("the bypass is called \"" + bypass->name + "\"");
    if (bypass->steps != 2 || bypass->type != 0)
        context.fail("the bypass has " + std::to_string(bypass->steps) + " steps and type " +
                     std::to_string(bypass->type) + ", not a two-step switch");
    if (!bypass->automatable) context.fail("the bypass cannot be automated");
    if (bypass->defaultValue != 0.0 || bypass->value != 0.0) context.fail("the bypass starts switched on");

    const probe::InstanceLog& log = instance->log();
    const bool logged = instance->probeIndex() >= 0;
    const int32_t onBefore = log.bypassOn.load(), offBefore = log.bypassOff.load();
    RenderRun run(context, *instance, nullptr, context.seed(), instance->facts().isSynth());
    run.setLabel("bypassed");
    // Output that is bad from the start is render.finite's to report; here only what bypassing does.
    run.blocks(512, 8);
    const bool cleanBefore = run.watch().problems().empty();
    for (int round = 0; round < 3; ++round) {
        if (!instance->set(id, 1.0)) context.fail("the module refused to switch the bypass on");
        if (hostValue(*instance, id).value_or(-1.0) != 1.0) context.fail("the host does not read the bypass back as on");
        run.blocks(512, 8);
        if (!instance->set(id, 0.0)) context.fail("the module refused to switch the bypass off");
        if (hostValue(*instance, id).value_or(-1.0) != 0.0) context.fail("the host does not read the bypass back as off");
        run.blocks(512, 4);
    }
    if (logged && (log.bypassOn.load() - onBefore != 3 || log.bypassOff.load() - offBefore != 3))
        context.fail("three times on and off reached the plug-in as " + std::to_string(log.bypassOn.load() - onBefore) +
                     " effSetBypass(1) and " + std::to_string(log.bypassOff.load() - offBefore) + " effSetBypass(0)");
    if (cleanBefore) run.reportSignalProblems();
}

}  // namespace korvex_validate
