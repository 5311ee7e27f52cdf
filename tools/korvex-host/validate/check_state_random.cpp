// state.random: many randomised states (and both extremes), each saved and loaded into one
// instance that already holds another state: the plug-in's values come back every time.
#include <cmath>
#include <memory>
#include <vector>

#include "acf/result_codes.h"
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/plugin_parameters.h"
#include "tools/korvex-host/validate/plugin_state.h"

namespace korvex_validate {

void checkStateRandom(CheckContext& context) {
    Session& session = context.session();
    Probe& probe = session.probe();
    std::unique_ptr<Instance> source = session.instance();
    std::unique_ptr<Instance> target = session.instance();
    if (!(source->facts().flags & effFlagsProgramChunks)) {
        std::vector<uint8_t> chunk;
        if (source->sim().saveChunk(chunk) != kResultSuccess || chunk.empty()) {
            context.skip("skipped: the plug-in keeps no chunk (see state.roundtrip)");
            return;
        }
    }
    const int rounds = context.level() >= 10 ? 24 : 8;
    int stale = 0;
    for (int round = 0; round < rounds && !context.failed(); ++round) {
        // The first two rounds set every value to an end of its range.
        const std::string how = randomiseState(*source, probe, context.random(), round < 2 ? round : -1);
        std::vector<uint8_t> chunk;
        if (const int32_t result = source->sim().saveChunk(chunk); result != kResultSuccess)
            context.abort("round " + std::to_string(round + 1) + ": no chunk: " + simhost::resultText(result));
        if (const int32_t result = target->sim().loadChunk(chunk); result != kResultSuccess)
            context.abort("round " + std::to_string(round + 1) + ": the module refused the chunk: " +
                          simhost::resultText(result));
        if (const std::string difference = valueDifference(pluginValues(*source), pluginValues(*target));
            !difference.empty()) {
            std::vector<uint8_t> readBack;
            target->sim().saveChunk(readBack);
            const std::string chunks = chunkDifference(chunk, readBack);
            context.fail("round " + std::to_string(round + 1) + ", values set " + how + ": " + difference +
                         (chunks.empty() ? "; the loaded instance gives back the same chunk"
                                         : "; its chunk read back: " + chunks));
        }
        // The host side is the module's to refresh; say so when it does not.
        for (const MappedParameter& parameter : mappedParameters(*target, probe))
            if (parameter.vstIndex >= 0 &&
                std::fabs(hostValue(*target, parameter.info.id).value_or(-1.0) - target->pluginValue(parameter.vstIndex)) >
                    1e-4)
                ++stale;
    }
    if (stale > 0)
        context.note("after a chunk is loaded the host's parameter values are not refreshed from the plug-in: " +
                     std::to_string(stale) + " values differed over " + std::to_string(rounds) + " rounds");
    context.figure("rounds", rounds);
}

}  // namespace korvex_validate
