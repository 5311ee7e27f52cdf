// render.direct: every block at every block size, and a varying sequence, bit for bit what the
// plug-in renders when hosted directly with the calls the module makes: the module adds nothing,
// drops nothing and reorders nothing.
#include <iterator>
#include <memory>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkRenderDirect(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const float rate = instance->settings().sampleRate;
    std::unique_ptr<simhost::DirectVstHost> direct = session.direct(rate);

    RenderRun run(context, *instance, direct.get(), context.seed(), instance->facts().isSynth());
    const int64_t frames = static_cast<int64_t>(rate * (context.level() >= 10 ? 0.25f : 0.08f));
    for (int32_t size : blockSizes(context, defaultBlockSizes())) {
        run.setLabel(rateText(rate) + ", " + blockText(size));
        if (!run.blocks(size, callsFor(size, frames))) break;
    }
    run.setLabel(rateText(rate) + ", varying blocks");
    for (int32_t size : varyingBlocks(context.random(), context.level() >= 10 ? 64 : 24))
        if (!run.block(size)) break;
    run.setLabel(rateText(rate) + ", the tail");
    run.quiet();
    run.blocks(512, callsFor(512, frames));
    run.setLabel(rateText(rate));
    run.reportSignalProblems();
    context.figure("frames", static_cast<double>(run.watch().frames()));
}

}  // namespace korvex_validate
