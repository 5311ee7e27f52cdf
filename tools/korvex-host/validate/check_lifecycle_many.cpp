// lifecycle.many: many instances alive at once, each its own plug-in instance, released in a
// seeded order; those left keep rendering, and every one is closed exactly once.
#include <algorithm>
#include <memory>
#include <numeric>
#include <set>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_run.h"
#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {

void checkLifecycleMany(CheckContext& context) {
    Session& session = context.session();
    const int count = context.level() >= 10 ? 16 : 8;
    const int orders = context.level() >= 10 ? 3 : 1;
    InstanceSettings settings;
    settings.maxFrames = 256;
    for (int order = 0; order < orders; ++order) {
        std::vector<std::unique_ptr<Instance>> instances;
        std::set<const AEffect*> plugins;
        for (int i = 0; i < count; ++i) {
            instances.push_back(session.instance(settings));
            if (AEffect* plugin = instances.back()->plugin()) plugins.insert(plugin);
        }
        if (plugins.size() != static_cast<size_t>(count))
            context.fail(std::to_string(count) + " instances share " + std::to_string(plugins.size()) +
                         " plug-in instances between them");

        // Output that is bad from the start is render.finite's to report; here only what releases do.
        bool cleanBefore = true;
        Buffers buffers(2, settings.maxFrames);
        for (auto& alive : instances) {
            SignalWatch watch;
            buffers.silenceInput();
            alive->render(buffers.in(), buffers.out(), settings.maxFrames);
            watch.add(buffers, settings.maxFrames);
            cleanBefore = cleanBefore && watch.problems().empty();
        }
        std::vector<int> release(static_cast<size_t>(count));
        std::iota(release.begin(), release.end(), 0);
        std::shuffle(release.begin(), release.end(), context.random());
        for (size_t step = 0; step < release.size(); ++step) {
            std::unique_ptr<Instance>& gone = instances[static_cast<size_t>(release[step])];
            const int32_t probeIndex = gone->probeIndex();
            gone.reset();
            if (probeIndex >= 0) {
                const probe::InstanceLog& log = *session.probe().log(probeIndex);
                if (log.closes.load() != 1 || log.callsAfterClose.load() != 0)
                    context.fail("instance " + std::to_string(release[step] + 1) + " got " +
                                 std::to_string(log.closes.load()) + " effClose and " +
                                 std::to_string(log.callsAfterClose.load()) + " calls after it");
            }
            // Everyone still alive renders on, alone and unharmed by the release.
            for (auto& alive : instances) {
                if (!alive) continue;
                SignalWatch watch;
                for (int block = 0; block < 2; ++block) {
                    buffers.silenceInput();
                    for (int32_t c = 0; c < 2; ++c)
                        for (int32_t i = 0; i < settings.maxFrames; ++i)
                            buffers.input(c)[static_cast<size_t>(i)] = (i % 64) < 32 ? 0.2f : -0.2f;
                    alive->render(buffers.in(), buffers.out(), settings.maxFrames);
                    watch.add(buffers, settings.maxFrames);
                }
                if (cleanBefore && !watch.problems().empty())
                    context.fail("after releasing instance " + std::to_string(release[step] + 1) + ": " + watch.problems());
            }
        }
        if (const int32_t alive = session.host().canUnloadNow(); alive != 0)
            context.fail("ACFCanUnloadNow answers " + std::to_string(alive) + " after every instance was released");
        if (context.failed()) break;
    }
    context.figure("instances_at_once", count);
}

}  // namespace korvex_validate
