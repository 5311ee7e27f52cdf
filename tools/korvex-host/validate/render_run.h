// Rendering a stretch of blocks through an effect instance the way checks need it: a seeded
// stimulus in, the output watched, and, with a directly hosted twin, every block compared bit for
// bit with what the plug-in renders when the module is not in between.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "simhost/direct_vst_host.h"
#include "tools/korvex-host/validate/check.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/kept_files.h"
#include "tools/korvex-host/validate/session.h"
#include "tools/korvex-host/validate/signal.h"

namespace korvex_validate {


// Block sizes from 1 to kMaxBlock in a seeded order, the extremes included.
std::vector<int32_t> varyingBlocks(std::mt19937_64& random, int count);

class RenderRun {
public:
    // direct may be null (no comparison). The transport plays from sample 0 at 120 BPM in 4/4.
    RenderRun(CheckContext& context, Instance& instance, simhost::DirectVstHost* direct, uint64_t seed, bool notes);

    // One render call of `frames` (at most kMaxBlock), with `extra` MIDI packets besides the
    // stimulus' own; false once the run has failed.
    bool block(int32_t frames, const std::vector<simhost::MidiPacket>& extra = {});
    // `count` calls of `frames` each.
    bool blocks(int32_t frames, int count);
    // From the next block on: no input signal, every note released.
    void quiet();
    // Signal and notes again from the next block.
    void loud() { stimulus.resume(); }
    // Input signal on or off from the next block; notes go on as they were.
    void setAudio(bool on) { stimulus.setAudio(on); }
    // Names the stretch in failure messages ("48000 Hz, 512-frame blocks").
    void setLabel(const std::string& text) { label = text; }

    const SignalWatch& watch() const { return output; }
    bool failed() const { return broken; }
    Buffers& buffers() { return moduleSide; }
    // Reports non-finite output and denormal runs seen so far as one failure.
    void reportSignalProblems();
    // Two stretches given the same input differ at `frame` (of the stretch), channel `channel`:
    // both outputs and their difference around it as charts, and as files when keeping.
    static void keepPairDifference(CheckContext& context, const RenderRun& first, const std::string& firstName,
                                   const RenderRun& second, const std::string& secondName, int32_t channel,
                                   int64_t frame);

private:
    // What the twin was given for one call, kept so a mismatch can be replayed on two fresh
    // directly hosted instances.
    struct Played {
        int32_t frames;
        std::vector<std::vector<float>> input;
        std::vector<simhost::MidiPacket> midi;
        VstTimeInfo time;
    };

    void compare(int32_t frames);
    // The whole stretch so far, for the picture and the files of a failure (render_keep.cpp).
    void record(int32_t frames);
    // On a difference at `frame` of the stretch, channel `channel`: the waveforms around it as a
    // chart, and with keeping on the input, both outputs, their difference and the MIDI as files.
    void keepDifference(int32_t channel, int64_t at);
    // On non-finite output or denormal runs: the input, the output and the MIDI as files.
    void keepOutput();
    void keepCommon();
    // Replays every call so far on two fresh directly hosted instances: the first frame where
    // they differ from each other, or -1 when they agree throughout.
    int64_t directTwinsDiffer();

    CheckContext& check;
    Instance& effect;
    simhost::DirectVstHost* twin;
    Stimulus stimulus;
    Buffers moduleSide;
    Buffers directSide;
    SignalWatch output;
    std::vector<simhost::MidiPacket> midi;
    std::string label;
    std::vector<Played> played;
    int64_t frame = 0;
    int64_t calls = 0;
    int32_t lastTimeSeen = 0;
    bool broken = false;
    // The first difference found (-1: none), and whether the run is playing on past it.
    int64_t differenceAt = -1;
    int32_t differenceChannel = 0;
    bool extending = false;
    static constexpr int64_t kFramesAfterDifference = 80;
    static constexpr int kMaxCallsAfterDifference = 96;
    // Planar, from frame 0 of the stretch; recording stops at kMaxRecorded frames.
    struct Recording {
        std::vector<std::vector<float>> input, module, direct;
        std::vector<TimedEvent> midi;
        bool truncated = false;
    } recording;
};

}  // namespace korvex_validate
