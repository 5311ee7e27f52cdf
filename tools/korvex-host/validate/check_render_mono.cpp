// render.mono: the mono component hands the plug-in null for its second input and output
// channel. The plug-in must render channel 0 alone, finite, and exactly as when hosted directly
// the same way. A plug-in that cannot take the null channel crashes this check, and the crash
// report says so.
#include <iterator>
#include <memory>

#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkRenderMono(CheckContext& context) {
    Session& session = context.session();
    InstanceSettings settings;
    settings.stemFormat = simhost::kStemMono;
    std::unique_ptr<Instance> instance = session.instance(settings);
    std::unique_ptr<simhost::DirectVstHost> direct = session.direct(settings.sampleRate);
    korvex_host::FaultScope scope("rendering the mono component, whose second channel pointers are null");

    RenderRun run(context, *instance, direct.get(), context.seed(), instance->facts().isSynth());
    const int64_t frames = static_cast<int64_t>(settings.sampleRate * 0.1f);
    for (int32_t size : {64, 512, 1, 4096, 7}) {
        run.setLabel("mono, " + blockText(size));
        if (!run.blocks(size, callsFor(size, frames))) break;
    }
    run.setLabel("mono, varying blocks");
    for (int32_t size : varyingBlocks(context.random(), 16))
        if (!run.block(size)) break;
    run.quiet();
    run.blocks(512, callsFor(512, frames));
    run.setLabel("mono");
    run.reportSignalProblems();
    context.figure("peak", run.watch().peak());
}

}  // namespace korvex_validate
