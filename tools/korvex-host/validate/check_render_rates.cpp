// render.rates: every sample rate from 44.1 to 192 kHz, each with a fresh instance and its direct
// twin: finite output, bit-exact with direct hosting, at many block sizes.
#include <cmath>
#include <iterator>
#include <memory>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkRenderRates(CheckContext& context) {
    Session& session = context.session();
    const std::vector<int32_t> sizes =
        blockSizes(context, context.level() < 10 ? std::vector<int32_t>{1, 64, 511, 4096} : defaultBlockSizes());
    for (float rate : sampleRates(context, defaultRates())) {
        InstanceSettings settings;
        settings.sampleRate = rate;
        std::unique_ptr<Instance> instance = session.instance(settings);
        std::unique_ptr<simhost::DirectVstHost> direct = session.direct(rate);
        // The module starts the plug-in with whole hertz (hosted directly, it is told the same);
        // a plug-in that asks for the rate (audioMasterGetSampleRate) is told the host's own.
        const float told = std::trunc(rate);
        if (const probe::InstanceLog& log = instance->log();
            instance->probeIndex() >= 0 && log.lastSampleRate.load() != told && log.lastSampleRate.load() != rate)
            context.fail(rateText(rate) + ": the plug-in was told " + rateText(log.lastSampleRate.load()));
        if (told != rate) context.note(rateText(rate) + ": the module starts the plug-in at " + rateText(told));
        RenderRun run(context, *instance, direct.get(), context.seed() + static_cast<uint64_t>(rate),
                      instance->facts().isSynth());
        const int64_t frames = static_cast<int64_t>(rate * 0.05f);
        for (int32_t size : sizes) {
            run.setLabel(rateText(rate) + ", " + blockText(size));
            if (!run.blocks(size, callsFor(size, frames))) break;
        }
        run.setLabel(rateText(rate) + ", varying blocks");
        for (int32_t size : varyingBlocks(context.random(), 12))
            if (!run.block(size)) break;
        run.quiet();
        run.blocks(1024, callsFor(1024, frames));
        run.setLabel(rateText(rate));
        run.reportSignalProblems();
        if (context.failed()) break;
    }
}

}  // namespace korvex_validate
