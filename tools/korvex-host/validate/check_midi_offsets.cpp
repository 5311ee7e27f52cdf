// midi.offsets: a note-on and its note-off at every offset of a block reach the plug-in with that
// offset, in order, each before the audio of its own render call.
#include <memory>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/midi_log.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {

void checkMidiOffsets(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    if (instance->probeIndex() < 0) context.abort("the validator's probe did not see the plug-in instance");
    const probe::InstanceLog& log = instance->log();
    RenderRun run(context, *instance, nullptr, context.seed(), false);
    run.quiet();

    struct Plan {
        int32_t size;
        std::vector<int32_t> offsets;
    };
    std::vector<Plan> plans{{64, {}}, {7, {}}};
    for (int32_t o = 0; o < 64; ++o) plans[0].offsets.push_back(o);
    for (int32_t o = 0; o < 7; ++o) plans[1].offsets.push_back(o);
    plans.push_back({4096, {0, 1, 2047, 4094, 4095}});
    if (context.level() >= 10) {
        plans.push_back({511, {}});
        for (int32_t o = 0; o < 511; ++o) plans.back().offsets.push_back(o);
    }

    const int32_t firstEvent = log.eventCount.load();
    std::vector<SentEvent> sent;
    int32_t call = log.blocks.load();
    for (const Plan& plan : plans) {
        run.setLabel(blockText(plan.size));
        for (int32_t offset : plan.offsets) {
            const auto key = static_cast<uint8_t>(36 + offset % 60);
            const auto channel = static_cast<uint8_t>(offset % 16);
            for (const uint8_t status : {static_cast<uint8_t>(0x90 | channel), static_cast<uint8_t>(0x80 | channel)}) {
                const simhost::MidiPacket packet{static_cast<uint32_t>(offset), status, key,
                                                 static_cast<uint8_t>(status & 0x10 ? 100 : 0)};
                sent.push_back({call++, packet});
                run.block(plan.size, {packet});
            }
        }
    }
    if (const std::string problem = deliveryProblem(log, firstEvent, sent); !problem.empty()) context.fail(problem);
    context.figure("events", static_cast<double>(sent.size()));
}

}  // namespace korvex_validate
