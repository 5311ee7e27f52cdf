// A stretch of render calls with stimulus, output watch and bit-exact comparison.
#include "tools/korvex-host/validate/render_run.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace korvex_validate {

std::vector<int32_t> varyingBlocks(std::mt19937_64& random, int count) {
    std::vector<int32_t> sizes{1, kMaxBlock, 2, 3};
    std::uniform_int_distribution<int32_t> small(1, 64), any(1, kMaxBlock);
    while (static_cast<int>(sizes.size()) < count) sizes.push_back(sizes.size() % 2 ? small(random) : any(random));
    std::shuffle(sizes.begin(), sizes.end(), random);
    sizes.resize(static_cast<size_t>(count));
    return sizes;
}

RenderRun::RenderRun(CheckContext& context, Instance& instance, simhost::DirectVstHost* direct, uint64_t seed,
                     bool notes)
    : check(context),
      effect(instance),
      twin(direct),
      stimulus(seed, instance.settings().sampleRate, true, notes),
      moduleSide(instance.channels(), kMaxBlock),
      directSide(instance.channels(), kMaxBlock) {
    simhost::TransportSettings transport;
    transport.playing = true;
    transport.location = 0;
    transport.tempo = 120.0;
    instance.sim().setTransport(transport);
    lastTimeSeen = instance.log().timeCount.load();
}

void RenderRun::quiet() {
    stimulus.setAudio(false);
    stimulus.releaseAll();
}

bool RenderRun::blocks(int32_t frames, int count) {
    for (int i = 0; i < count; ++i)
        if (!block(frames)) return false;
    return true;
}

bool RenderRun::block(int32_t frames, const std::vector<simhost::MidiPacket>& extra) {
    if (broken) return false;
    frames = std::clamp(frames, 1, std::min(kMaxBlock, effect.settings().maxFrames));
    stimulus.next(moduleSide, frames, midi);
    if (!extra.empty()) {
        midi.insert(midi.end(), extra.begin(), extra.end());
        std::stable_sort(midi.begin(), midi.end(),
                         [](const simhost::MidiPacket& a, const simhost::MidiPacket& b) { return a.frame < b.frame; });
    }
    const int32_t channels = effect.channels();
    if (twin) {
        // The twin starts from what the host's own output buffers hold before the call.
        for (int32_t c = 0; c < channels; ++c) {
            std::copy_n(moduleSide.input(c).data(), frames, directSide.input(c).data());
            std::copy_n(effect.sim().context().output(c), frames, directSide.output(c).data());
        }
    }
    if (!effect.render(moduleSide.in(), moduleSide.out(), frames, midi)) {
        check.fail(label + ": the simulated host refused a render call of " + std::to_string(frames) + " frames");
        broken = true;
        return false;
    }
    // The calls played past a difference only feed its picture; the figures stay those compared.
    if (!extending) output.add(moduleSide, frames);
    record(frames);
    if (twin) {
        // The time record the module answered during this call, if the plug-in asked.
        const probe::InstanceLog& log = effect.log();
        const int32_t count = log.timeCount.load();
        for (int32_t i = count - 1; i >= std::max(lastTimeSeen, count - probe::kMaxTimes); --i)
            if (log.timeRecord(i).block == log.blocks.load() - 1) {
                twin->setTimeInfo(log.timeRecord(i).time);
                break;
            }
        lastTimeSeen = count;
        Played call{frames, {}, midi, twin->timeInfo()};
        for (int32_t c = 0; c < channels; ++c)
            call.input.emplace_back(directSide.input(c).begin(), directSide.input(c).begin() + frames);
        played.push_back(std::move(call));
        for (const simhost::MidiPacket& packet : midi)
            twin->sendMidi(packet.status, packet.data1, packet.data2, static_cast<int32_t>(packet.frame));
        twin->process(directSide.input(0).data(), channels > 1 ? directSide.input(1).data() : nullptr,
                      directSide.output(0).data(), channels > 1 ? directSide.output(1).data() : nullptr, frames);
        recording.direct.resize(static_cast<size_t>(channels));
        if (!recording.truncated)
            for (int32_t c = 0; c < channels; ++c)
                recording.direct[static_cast<size_t>(c)].insert(recording.direct[static_cast<size_t>(c)].end(),
                                                                directSide.output(c).begin(),
                                                                directSide.output(c).begin() + frames);
        compare(frames);
    }
    frame += frames;
    ++calls;
    if (differenceAt >= 0 && !extending) {
        // The picture and the files of a difference show what came after it too: a few more calls
        // of the same size, compared no more.
        extending = true;
        broken = false;
        for (int call = 0; call < kMaxCallsAfterDifference && frame < differenceAt + kFramesAfterDifference; ++call)
            if (!block(frames)) break;
        broken = true;
        keepDifference(differenceChannel, differenceAt);
    }
    return !broken;
}

void RenderRun::compare(int32_t frames) {
    if (extending) return;
    for (int32_t c = 0; c < effect.channels(); ++c) {
        const float* viaModule = moduleSide.output(c).data();
        const float* direct = directSide.output(c).data();
        const int64_t at = firstDifference(viaModule, direct, frames);
        if (at < 0) continue;
        char values[96];
        std::snprintf(values, sizeof values, "%.9g through the module, %.9g hosted directly",
                      static_cast<double>(viaModule[at]), static_cast<double>(direct[at]));
        std::string message = label + ": render call " + std::to_string(calls) + " (" + std::to_string(frames) +
                              " frames) differs from the plug-in hosted directly, channel " + std::to_string(c) +
                              " at " + frameText(frame + at, effect.settings().sampleRate) + ": " + values;
        broken = true;
        // Whose doing is it? Two instances hosted directly, given exactly the same, tell.
        const int64_t control = directTwinsDiffer();
        if (control >= 0)
            message += "; two instances hosted directly with the same input differ as well (from " +
                       frameText(control, effect.settings().sampleRate) +
                       "): the plug-in's output depends on more than its input, not on the module";
        else
            message += "; two instances hosted directly agree with each other throughout";
        check.fail(message);
        differenceChannel = c;
        differenceAt = frame + at;
        return;
    }
}

int64_t RenderRun::directTwinsDiffer() {
    const float rate = effect.settings().sampleRate;
    std::unique_ptr<simhost::DirectVstHost> first = effect.session().direct(rate);
    std::unique_ptr<simhost::DirectVstHost> second = effect.session().direct(rate);
    const int32_t channels = effect.channels();
    Buffers a(channels, kMaxBlock), b(channels, kMaxBlock);
    int64_t position = 0;
    for (const Played& call : played) {
        for (simhost::DirectVstHost* host : {first.get(), second.get()}) {
            host->setTimeInfo(call.time);
            for (const simhost::MidiPacket& packet : call.midi)
                host->sendMidi(packet.status, packet.data1, packet.data2, static_cast<int32_t>(packet.frame));
            Buffers& out = host == first.get() ? a : b;
            for (int32_t c = 0; c < channels; ++c) {
                std::copy(call.input[static_cast<size_t>(c)].begin(), call.input[static_cast<size_t>(c)].end(),
                          out.input(c).begin());
                std::fill(out.output(c).begin(), out.output(c).end(), 0.0f);
            }
            host->process(out.input(0).data(), channels > 1 ? out.input(1).data() : nullptr, out.output(0).data(),
                          channels > 1 ? out.output(1).data() : nullptr, call.frames);
        }
        for (int32_t c = 0; c < channels; ++c)
            if (const int64_t at = firstDifference(a.output(c).data(), b.output(c).data(), call.frames); at >= 0)
                return position + at;
        position += call.frames;
    }
    return -1;
}

void RenderRun::reportSignalProblems() {
    const std::string problems = output.problems();
    if (problems.empty()) return;
    check.fail(label + ": " + problems);
    keepOutput();
}

}  // namespace korvex_validate
