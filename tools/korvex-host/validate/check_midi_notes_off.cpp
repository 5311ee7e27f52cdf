// midi.notes-off: no note hangs. After every note-off the synth falls silent; and notes still held
// when the transport stops fall silent too, after the one all-notes-off (control change 123) the
// module sends the plug-in at its first time request after the stop.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "simhost/direct_vst_host.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {
namespace {

constexpr int32_t kBlock = 512;
constexpr float kSilence = 1e-4f;  // -80 dBFS
constexpr double kPatience = 10.0;  // seconds a release may take

// Renders until a 100 ms stretch stays below kSilence; the seconds it took, or a negative
// number (with the loudest sample of the last stretch in *loudest) when it never did.
double secondsToSilence(RenderRun& run, float rate, float* loudest) {
    const int window = std::max(1, static_cast<int>(rate * 0.1f) / kBlock);
    const int limit = static_cast<int>(kPatience * rate) / kBlock;
    for (int call = 0; call < limit; call += window) {
        float peak = 0.0f;
        for (int i = 0; i < window; ++i) {
            run.block(kBlock);
            for (int32_t c = 0; c < run.buffers().channels(); ++c)
                for (int32_t k = 0; k < kBlock; ++k)
                    peak = std::max(peak, std::fabs(run.buffers().output(c)[static_cast<size_t>(k)]));
        }
        *loudest = peak;
        if (peak < kSilence) return static_cast<double>(call) * kBlock / rate;
    }
    return -1.0;
}

// Hosts the plug-in directly with the same notes as the first part of the check, its MIDI sent
// either one event per effProcessEvents call, as the module sends it, or a block's events in one
// call, as most hosts do; answers whether it stays silent after the release.
bool silentHostedDirectly(Session& session, float rate, uint64_t seed, bool grouped) {
    std::unique_ptr<simhost::DirectVstHost> direct = session.direct(rate);
    direct->setTimeInfo(simhost::DirectVstHost::transport(true, 120.0, 4, 4, 0.0, 0.0, rate));
    Stimulus stimulus(seed, rate, false, true);
    Buffers buffers(2, kBlock);
    std::vector<simhost::MidiPacket> midi;
    std::vector<VstMidiEvent> events;
    std::vector<unsigned char> batch;
    const int played = static_cast<int>(rate * 1.5f) / kBlock;
    const int limit = played + static_cast<int>(kPatience * rate) / kBlock;
    float peak = 0.0f;
    for (int call = 0; call < limit; ++call) {
        if (call == played) stimulus.releaseAll();
        stimulus.next(buffers, kBlock, midi);
        if (grouped && !midi.empty()) {
            events.assign(midi.size(), VstMidiEvent{});
            batch.assign(sizeof(VstEvents) + sizeof(VstEvent*) * midi.size(), 0);
            auto* list = reinterpret_cast<VstEvents*>(batch.data());
            list->numEvents = static_cast<int32_t>(midi.size());
            for (size_t i = 0; i < midi.size(); ++i) {
                events[i].type = kVstMidiType;
                events[i].byteSize = static_cast<int32_t>(sizeof(VstMidiEvent));
                events[i].deltaFrames = static_cast<int32_t>(midi[i].frame);
                events[i].midiData[0] = static_cast<char>(midi[i].status);
                events[i].midiData[1] = static_cast<char>(midi[i].data1);
                events[i].midiData[2] = static_cast<char>(midi[i].data2);
                list->events[i] = reinterpret_cast<VstEvent*>(&events[i]);
            }
            direct->dispatch(effProcessEvents, 0, 0, list);
        } else {
            for (const simhost::MidiPacket& packet : midi)
                direct->sendMidi(packet.status, packet.data1, packet.data2, static_cast<int32_t>(packet.frame));
        }
        direct->process(buffers.input(0).data(), buffers.input(1).data(), buffers.output(0).data(),
                        buffers.output(1).data(), kBlock);
        if (call >= limit - static_cast<int>(rate * 0.1f) / kBlock - 1)
            for (int32_t c = 0; c < 2; ++c)
                for (float sample : buffers.output(c)) peak = std::max(peak, std::fabs(sample));
    }
    return peak < kSilence;
}

std::string levelText(float peak) {
    char text[64];
    std::snprintf(text, sizeof text, "peak %.4g (%.1f dBFS)", static_cast<double>(peak),
                  20.0 * std::log10(std::max(peak, 1e-12f)));
    return text;
}

}  // namespace

void checkMidiNotesOff(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const float rate = instance->settings().sampleRate;
    float loudest = 0.0f;
    {
        RenderRun run(context, *instance, nullptr, context.seed(), true);
        run.setLabel("notes, then every note released");
        run.setAudio(false);
        run.blocks(kBlock, static_cast<int>(rate * 1.5f) / kBlock);
        const float played = run.watch().peak();
        run.quiet();
        const double seconds = secondsToSilence(run, rate, &loudest);
        if (played < kSilence) context.note("the notes played made no sound (" + levelText(played) + ")");
        if (seconds < 0.0) {
            std::string message = "still sounding " + std::to_string(static_cast<int>(kPatience)) +
                                  " s after every note-off: " + levelText(loudest) + " (a stuck note)";
            // Hosted directly, once the way the module sends MIDI and once the way most hosts do.
            const bool separate = silentHostedDirectly(session, rate, context.seed(), false);
            const bool grouped = silentHostedDirectly(session, rate, context.seed(), true);
            if (!separate && grouped)
                message += "; hosted directly the plug-in falls silent when each block's events come in one "
                           "effProcessEvents call, but not when they come one event per call as the module sends "
                           "them: it keeps only the events of the last call before each processReplacing";
            else if (!separate && !grouped)
                message += "; hosted directly it stays stuck as well, however its MIDI events come";
            context.fail(message);
        } else {
            context.figure("release_seconds", seconds);
        }
    }

    // Notes held, then the transport stops: the plug-in asks for the time (the probe makes sure
    // it does), and the module answers the first request after the stop with an all-notes-off.
    const probe::InstanceLog& log = instance->log();
    session.probe().setAskTime(true);
    RenderRun run(context, *instance, nullptr, context.seed() + 1, false);
    run.setLabel("notes held while the transport stops");
    run.quiet();
    std::vector<simhost::MidiPacket> chord;
    for (uint8_t key : {48, 55, 60, 64}) chord.push_back({0, 0x90, key, 110});
    run.block(kBlock, chord);
    run.blocks(kBlock, static_cast<int>(rate * 0.5f) / kBlock);
    const auto countAllNotesOff = [&log](int32_t from) {
        int found = 0;
        for (int32_t i = std::max(from, log.eventCount.load() - probe::kMaxEvents); i < log.eventCount.load(); ++i) {
            const probe::ReceivedEvent& event = log.event(i);
            found += event.bytes[0] == 0xB0 && event.bytes[1] == 0x7B && event.bytes[2] == 0x00 ? 1 : 0;
        }
        return found;
    };
    if (countAllNotesOff(0) != 0) context.fail("an all-notes-off reached the plug-in while the transport played");
    const int32_t beforeStop = log.eventCount.load();
    simhost::TransportSettings transport = instance->sim().transport();
    transport.playing = false;
    instance->sim().setTransport(transport);
    const double seconds = secondsToSilence(run, rate, &loudest);
    const int sent = countAllNotesOff(beforeStop);
    if (sent != 1)
        context.fail("the transport stopped and the plug-in received " + std::to_string(sent) +
                     " all-notes-off messages (control change 123), one expected");
    else if (seconds < 0.0)
        context.fail("held notes keep sounding " + std::to_string(static_cast<int>(kPatience)) +
                     " s after the all-notes-off sent when the transport stopped: " + levelText(loudest));
    else
        context.figure("all_notes_off_seconds", seconds);
    session.probe().setAskTime(false);
}

}  // namespace korvex_validate
