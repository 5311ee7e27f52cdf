// state.roundtrip: a state is saved, loaded into a fresh instance, and must come back whole: the
// chunk read back equals the one saved, the plug-in's values are the saved ones, and from then on
// both instances render bit-identical audio.
#include <memory>
#include <vector>

#include "acf/result_codes.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/plugin_parameters.h"
#include "tools/korvex-host/validate/plugin_state.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkStateRoundTrip(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> saved = session.instance();
    const std::string how = randomiseState(*saved, session.probe(), context.random());
    std::vector<uint8_t> chunk;
    const int32_t result = saved->sim().saveChunk(chunk);
    if (result != kResultSuccess || chunk.empty()) {
        // The plug-in's chunk is all the module saves of an instance: without one, nothing survives.
        if (!(saved->facts().flags & effFlagsProgramChunks))
            context.abort("the plug-in keeps no chunk (effFlagsProgramChunks is clear), and its chunk is all the "
                          "module saves: its settings are lost with every session");
        context.abort("the plug-in announces chunks but gave none: " + simhost::resultText(result) + ", " +
                      std::to_string(chunk.size()) + " bytes");
    }
    context.figure("chunk_bytes", static_cast<double>(chunk.size()));
    context.keep("saved-chunk.bin", chunk);
    const std::vector<float> values = pluginValues(*saved);

    std::unique_ptr<Instance> loaded = session.instance();
    {
        korvex_host::FaultScope scope("loading the saved chunk into a fresh instance");
        if (const int32_t loadResult = loaded->sim().loadChunk(chunk); loadResult != kResultSuccess)
            context.abort("the module refused the saved chunk: " + simhost::resultText(loadResult));
    }
    std::vector<uint8_t> readBack;
    loaded->sim().saveChunk(readBack);
    context.keep("read-back-chunk.bin", readBack);
    if (const std::string difference = chunkDifference(chunk, readBack); !difference.empty())
        context.fail("the chunk read back after loading differs from the one saved: " + difference);
    if (const std::string difference = valueDifference(values, pluginValues(*loaded)); !difference.empty())
        context.fail("values set " + how + ", saved and loaded: " + difference);

    const float rate = saved->settings().sampleRate;
    const bool notes = saved->facts().isSynth();
    RenderRun a(context, *saved, nullptr, context.seed(), notes);
    RenderRun b(context, *loaded, nullptr, context.seed(), notes);
    int64_t position = 0;
    for (int32_t size : {512, 64, 4096, 7}) {
        for (int call = 0; call < callsFor(size, static_cast<int64_t>(rate * 0.1f)); ++call) {
            a.block(size);
            b.block(size);
            for (int32_t c = 0; c < saved->channels(); ++c) {
                const int64_t at = firstDifference(a.buffers().output(c).data(), b.buffers().output(c).data(), size);
                if (at < 0) continue;
                context.fail("after loading the state, the loaded instance renders differently from the one it was "
                             "saved from: channel " + std::to_string(c) + " at " + frameText(position + at, rate));
                RenderRun::keepPairDifference(context, a, "saved instance", b, "loaded instance", c, position + at);
                return;
            }
            position += size;
        }
    }
}

}  // namespace korvex_validate
