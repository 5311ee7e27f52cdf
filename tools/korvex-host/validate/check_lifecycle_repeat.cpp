// lifecycle.repeat: instances made, initialised and released one after another. Each plug-in
// instance is opened once and closed once, hears nothing after its close, and the module counts
// no object once the instance is gone.
#include <memory>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {

void checkLifecycleRepeat(CheckContext& context) {
    Session& session = context.session();
    const int rounds = context.level() >= 10 ? 40 : 12;
    int32_t parameters = -1;
    for (int round = 0; round < rounds && !context.failed(); ++round) {
        const std::string which = "instance " + std::to_string(round + 1);
        std::unique_ptr<Instance> instance = session.instance();
        const int32_t count = instance->sim().parameterCount();
        if (parameters >= 0 && count != parameters)
            context.fail(which + " has " + std::to_string(count) + " parameters, the first had " +
                         std::to_string(parameters));
        parameters = count;
        const int32_t probeIndex = instance->probeIndex();
        instance.reset();

        if (probeIndex < 0) continue;
        const probe::InstanceLog& log = *session.probe().log(probeIndex);
        if (log.opens.load() != 1 || log.closes.load() != 1)
            context.fail(which + ": the plug-in got " + std::to_string(log.opens.load()) + " effOpen and " +
                         std::to_string(log.closes.load()) + " effClose, one of each expected");
        if (log.mainsOn.load() != 1)
            context.fail(which + ": effMainsChanged(1) came " + std::to_string(log.mainsOn.load()) + " times");
        if (log.callsAfterClose.load() != 0)
            context.fail(which + ": " + std::to_string(log.callsAfterClose.load()) +
                         " calls reached the plug-in after its effClose (the last: opcode " +
                         std::to_string(log.lastOpcodeAfterClose.load()) + ")");
        if (const int32_t alive = session.host().canUnloadNow(); alive != 0)
            context.fail(which + ": ACFCanUnloadNow answers " + std::to_string(alive) + " after its release");
    }
    context.figure("instances", rounds);
}

}  // namespace korvex_validate
