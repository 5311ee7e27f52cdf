// render.instances: two instances given the same input and notes, rendered in turns, produce the
// same output block for block; a difference means shared state between instances or output that
// depends on something other than the input.
#include <memory>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkRenderInstances(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> first = session.instance();
    std::unique_ptr<Instance> second = session.instance();
    const bool notes = first->facts().isSynth();
    const float rate = first->settings().sampleRate;
    RenderRun a(context, *first, nullptr, context.seed(), notes);
    RenderRun b(context, *second, nullptr, context.seed(), notes);
    a.setLabel("two instances");
    std::vector<int32_t> sizes{64, 512, 4096, 1, 7, 256};
    for (int32_t size : varyingBlocks(context.random(), 12)) sizes.push_back(size);
    const int64_t frames = static_cast<int64_t>(rate * 0.05f);
    int64_t position = 0;
    for (int32_t size : sizes) {
        for (int call = 0; call < callsFor(size, frames); ++call) {
            a.block(size);
            b.block(size);
            for (int32_t c = 0; c < first->channels(); ++c) {
                const int64_t at = firstDifference(a.buffers().output(c).data(), b.buffers().output(c).data(), size);
                if (at < 0) continue;
                context.fail("two instances given the same input differ, channel " + std::to_string(c) + " at " +
                             frameText(position + at, rate) + " (" + blockText(size) +
                             "): the plug-in shares state between instances or does not render from its input alone");
                RenderRun::keepPairDifference(context, a, "first instance", b, "second instance", c, position + at);
                return;
            }
            position += size;
        }
    }
    a.reportSignalProblems();
}

}  // namespace korvex_validate
