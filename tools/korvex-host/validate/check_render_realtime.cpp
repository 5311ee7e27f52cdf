// render.realtime: the render call neither locks nor waits, sleeps, does file or socket I/O or
// makes another blocking system call, in the module or in the plug-in: every such call on the
// rendering thread is noted while the module's render callback runs, through MIDI, transport
// changes, a stop and parameter changes between blocks. Heap calls are render.allocation's.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/blocking_calls.h"
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {
namespace {

// Enough of the stack to see whose code it is and how it got there.
constexpr size_t kStackLines = 12;

std::string countText(uint64_t count) { return std::to_string(static_cast<unsigned long long>(count)); }

void reportCalls(CheckContext& context, const BlockingCalls& calls, int64_t renderCalls) {
    std::string functions;
    for (const BlockingFunction& function : calls.functions) {
        if (!function.name) continue;
        functions += (functions.empty() ? "" : ", ") + std::string(function.name) + " x" + countText(function.count);
    }
    std::string message = countText(calls.calls) + " blocking calls in " + std::to_string(renderCalls) +
                          " render calls: " + countText(calls.pluginCalls) + " inside the plug-in's own calls, " +
                          countText(calls.calls - calls.pluginCalls) + " in the module's (" + functions +
                          "); the first, " + calls.firstFunction + ", by the " +
                          (calls.firstInPlugin ? "plug-in" : "module");
    if (calls.firstCall) message += " during " + std::string(calls.firstCall);
    context.fail(message);
    const std::vector<std::string> stack = describeStack(const_cast<void* const*>(calls.firstStack), calls.firstDepth);
    for (size_t i = 0; i < stack.size() && i < kStackLines; ++i) context.fail("  at " + stack[i]);
}

}  // namespace

void checkRenderRealtime(CheckContext& context) {
    const char* why = nullptr;
    if (!blockingWatchAvailable(&why)) {
        context.skip(std::string("skipped: ") + why);
        return;
    }
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    // The plug-in asks for the time in every call, so the module's time answers (and the
    // all-notes-off it sends from inside them) are watched as well.
    session.probe().setAskTime(true);
    const std::vector<simhost::ParameterInfo> parameters = instance->sim().parameterList();
    RenderRun run(context, *instance, nullptr, context.seed(), instance->facts().isSynth());
    run.setLabel("watching for blocking calls");
    instance->watchBlocking(true);
    int64_t calls = 0;
    const auto play = [&](int32_t size, int count) {
        for (int i = 0; i < count; ++i, ++calls) {
            if (!parameters.empty() && i % 4 == 0) {
                const simhost::ParameterInfo& parameter = parameters[static_cast<size_t>(calls) % parameters.size()];
                instance->set(parameter.id, context.uniform());
            }
            run.block(size);
        }
    };
    const int64_t frames = static_cast<int64_t>(instance->settings().sampleRate * 0.1f);
    for (int32_t size : {512, 64, 1, 4096, 7}) play(size, callsFor(size, frames));
    simhost::TransportSettings transport = instance->sim().transport();
    transport.playing = false;
    instance->sim().setTransport(transport);
    play(256, 8);
    transport.playing = true;
    transport.location = 48000 * 60;
    instance->sim().setTransport(transport);
    run.quiet();
    play(256, 16);
    instance->watchBlocking(false);
    session.probe().setAskTime(false);

    const BlockingCalls& seen = instance->blocking();
    context.figure("render_calls", static_cast<double>(calls));
    context.figure("blocking_calls", static_cast<double>(seen.calls));
    context.figure("plugin_blocking_calls", static_cast<double>(seen.pluginCalls));
    for (int kind = 0; kind < kBlockingKinds; ++kind) {
        std::string name = blockingKindName(static_cast<BlockingKind>(kind));
        for (char& c : name)
            if (c == ' ' || c == '/') c = '_';
        context.figure(name + "_calls", static_cast<double>(seen.byKind[kind]));
    }
    if (seen.calls > 0) reportCalls(context, seen, calls);
}

}  // namespace korvex_validate
