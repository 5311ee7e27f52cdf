// midi.dense: blocks crowded with MIDI — 256 events of every kind on all sixteen channels, all at
// one offset, at the last offset, spread over the block — every event reaches the plug-in in
// order, and the plug-in renders finite output through it and after it.
#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/midi_log.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {
namespace {

// The simulated host's MIDI node carries at most this many packets per render call.
constexpr int kPackets = 256;
constexpr int32_t kBlock = 256;

std::vector<simhost::MidiPacket> crowd(std::mt19937_64& random, int spread) {
    std::uniform_int_distribution<int> byte(0, 127), channel(0, 15);
    std::vector<simhost::MidiPacket> packets;
    for (int i = 0; i < kPackets; ++i) {
        const auto ch = static_cast<uint8_t>(channel(random));
        uint32_t frame = 0;
        if (spread == 1) frame = kBlock - 1;
        if (spread == 2) frame = static_cast<uint32_t>(i * kBlock / kPackets);
        // Mostly notes, which every synth takes; the other kinds a plug-in must at least survive.
        switch (i % 8) {
        case 6: packets.push_back({frame, static_cast<uint8_t>(0xB0 | ch), static_cast<uint8_t>(byte(random)), static_cast<uint8_t>(byte(random))}); break;
        case 7: packets.push_back({frame, static_cast<uint8_t>(0xE0 | ch), static_cast<uint8_t>(byte(random)), static_cast<uint8_t>(byte(random))}); break;
        case 5: packets.push_back({frame, static_cast<uint8_t>(0xD0 | ch), static_cast<uint8_t>(byte(random)), 0}); break;
        default: {
            const auto key = static_cast<uint8_t>(byte(random));
            const bool on = i < kPackets / 2;
            packets.push_back({frame, static_cast<uint8_t>((on ? 0x90 : 0x80) | ch), key, static_cast<uint8_t>(on ? 1 + byte(random) : 0)});
        }
        }
    }
    std::stable_sort(packets.begin(), packets.end(),
                     [](const simhost::MidiPacket& a, const simhost::MidiPacket& b) { return a.frame < b.frame; });
    return packets;
}

}  // namespace

void checkMidiDense(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    if (instance->probeIndex() < 0) context.abort("the validator's probe did not see the plug-in instance");
    const probe::InstanceLog& log = instance->log();
    RenderRun run(context, *instance, nullptr, context.seed(), false);
    run.quiet();
    const int32_t firstEvent = log.eventCount.load();
    int32_t call = log.blocks.load();
    std::vector<SentEvent> sent;
    for (int spread : {0, 1, 2}) {
        const std::vector<simhost::MidiPacket> packets = crowd(context.random(), spread);
        for (const simhost::MidiPacket& packet : packets) sent.push_back({call, packet});
        run.setLabel("256 events in one block");
        run.block(kBlock, packets);
        // Every note ends, then the tail.
        std::vector<simhost::MidiPacket> offs;
        for (uint8_t ch = 0; ch < 16; ++ch) offs.push_back({0, static_cast<uint8_t>(0xB0 | ch), 123, 0});
        for (const simhost::MidiPacket& packet : offs) sent.push_back({call + 1, packet});
        run.block(kBlock, offs);
        call += 2;
        run.blocks(kBlock, 16);
        call += 16;
    }
    if (const std::string problem = deliveryProblem(log, firstEvent, sent); !problem.empty()) context.fail(problem);
    context.figure("events", static_cast<double>(sent.size()));
}

}  // namespace korvex_validate
