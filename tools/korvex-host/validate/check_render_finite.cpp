// render.finite: silence in, signal in and the tail after it, at every block size: the output
// holds no NaN, no infinity and no long runs of denormal numbers.
#include <memory>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkRenderFinite(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const bool notes = instance->facts().isSynth();
    const float rate = instance->settings().sampleRate;
    const std::vector<int32_t> sizes =
        blockSizes(context, context.level() < 5 ? std::vector<int32_t>{7, 64, 512, 4096} : defaultBlockSizes());
    const int64_t segment = static_cast<int64_t>(rate * (context.level() >= 10 ? 0.5f : 0.2f));
    float peak = 0.0f;
    for (int32_t size : sizes) {
        RenderRun run(context, *instance, nullptr, context.seed() + static_cast<uint64_t>(size), notes);
        run.setLabel(rateText(rate) + ", " + blockText(size));
        const int calls = callsFor(size, segment);
        run.quiet();
        run.blocks(size, calls);  // silence in
        run.loud();
        run.blocks(size, calls);  // signal (and notes)
        run.quiet();
        run.blocks(size, 2 * calls);  // the tail
        run.reportSignalProblems();
        peak = std::max(peak, run.watch().peak());
        if (context.failed()) break;
    }
    context.figure("peak", peak);
}

}  // namespace korvex_validate
