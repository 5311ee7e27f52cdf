// render.allocation: the render call makes no heap call at all, neither in the module nor in the
// plug-in: every malloc-family call and operator new/delete on the rendering thread is counted
// while the module's render callback runs, through MIDI, transport changes, a stop (with its
// all-notes-off) and parameter changes between blocks.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/heap_counter.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkRenderAllocation(CheckContext& context) {
    const char* why = nullptr;
    if (!heapCountingAvailable(&why)) {
        context.skip(std::string("skipped: ") + why);
        return;
    }
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    // The plug-in asks for the time in every call here, so the module's time answers (and the
    // all-notes-off it sends from inside them) are part of what is counted.
    session.probe().setAskTime(true);
    const float rate = instance->settings().sampleRate;
    const std::vector<simhost::ParameterInfo> parameters = instance->sim().parameterList();
    RenderRun run(context, *instance, nullptr, context.seed(), instance->facts().isSynth());
    run.setLabel("counting heap calls");
    instance->countHeap(true);
    int64_t calls = 0;
    const auto play = [&](int32_t size, int count) {
        for (int i = 0; i < count; ++i, ++calls) {
            // Between blocks, as a host's automation would.
            if (!parameters.empty() && i % 4 == 0) {
                const simhost::ParameterInfo& parameter = parameters[static_cast<size_t>(calls) % parameters.size()];
                instance->set(parameter.id, context.uniform());
            }
            run.block(size);
        }
    };
    const int64_t frames = static_cast<int64_t>(rate * 0.1f);
    for (int32_t size : {512, 64, 1, 4096, 7}) play(size, callsFor(size, frames));
    // Stopped: the module answers the next time request with an all-notes-off.
    simhost::TransportSettings transport = instance->sim().transport();
    transport.playing = false;
    instance->sim().setTransport(transport);
    play(256, 8);
    transport.playing = true;
    transport.location = 48000 * 60;
    transport.tempo = 97.0;
    instance->sim().setTransport(transport);
    run.quiet();
    play(256, 16);
    instance->countHeap(false);
    session.probe().setAskTime(false);

    const HeapCounts& heap = instance->heap();
    context.figure("render_calls", static_cast<double>(calls));
    context.figure("allocations", static_cast<double>(heap.allocations));
    context.figure("frees", static_cast<double>(heap.frees));
    context.figure("plugin_allocations", static_cast<double>(heap.pluginAllocations));
    if (heap.allocations > 0 || heap.frees > 0) {
        const uint64_t moduleCalls = heap.allocations + heap.frees - heap.pluginAllocations - heap.pluginFrees;
        char text[320];
        std::snprintf(text, sizeof text,
                      "%llu heap allocations and %llu frees in %lld render calls: %llu inside the plug-in's own calls, "
                      "%llu in the module's; the first asked for %llu bytes",
                      static_cast<unsigned long long>(heap.allocations), static_cast<unsigned long long>(heap.frees),
                      static_cast<long long>(calls), static_cast<unsigned long long>(heap.pluginAllocations + heap.pluginFrees),
                      static_cast<unsigned long long>(moduleCalls), static_cast<unsigned long long>(heap.firstSize));
        std::string message = text;
        if (heap.firstCall) message += std::string(" during ") + heap.firstCall;
        context.fail(message);
    }
}

}  // namespace korvex_validate
