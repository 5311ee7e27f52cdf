// Audio for checks: a seeded stimulus (test signal and notes, block by block), a watch over the
// output for non-finite samples, denormal runs and level, and buffers shaped the way hosts pass them.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "simhost/sim_effect_instance.h"

namespace korvex_validate {

// Planar channels of one block, with the pointer arrays a render call takes.
class Buffers {
public:
    Buffers(int32_t channels, int32_t maxFrames);
    const float* const* in() const { return inputPointers.data(); }
    float* const* out() { return outputPointers.data(); }
    std::vector<float>& input(int32_t channel) { return inputs[static_cast<size_t>(channel)]; }
    std::vector<float>& output(int32_t channel) { return outputs[static_cast<size_t>(channel)]; }
    const std::vector<float>& output(int32_t channel) const { return outputs[static_cast<size_t>(channel)]; }
    int32_t channels() const { return static_cast<int32_t>(inputs.size()); }
    void silenceInput();
    // Output filled with a value no plug-in writes by chance, so untouched samples show.
    void poisonOutput();

private:
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<const float*> inputPointers;
    std::vector<float*> outputPointers;
};

// The same every run with the same seed: a signal with low, middle and high partials and a
// little noise on every channel, and, for synths, notes starting and stopping inside blocks.
class Stimulus {
public:
    Stimulus(uint64_t seed, double sampleRate, bool audio, bool notes);
    // Fills the next `frames` of input (silence when audio is off) and the block's MIDI packets.
    void next(Buffers& buffers, int32_t frames, std::vector<simhost::MidiPacket>& midi);
    // Every sounding note ends at the start of the next block; no new note follows.
    void releaseAll();
    // Input signal on or off from the next block.
    void setAudio(bool on) { withAudio = on; }
    // Signal and (for a stimulus with notes) new notes again from the next block.
    void resume();
    int64_t position() const { return frame; }

private:
    std::mt19937_64 random;
    double rate;
    bool withAudio, withNotes;
    int64_t frame = 0;
    int64_t nextNote = 0;
    struct Sounding {
        uint8_t key;
        int64_t off;
    };
    std::vector<Sounding> sounding;
};

// What a stretch of output looked like, channel by channel across blocks.
class SignalWatch {
public:
    // A run of this many consecutive non-zero subnormal samples counts as a denormal run.
    static constexpr int64_t kDenormalRun = 64;

    void add(const Buffers& buffers, int32_t frames);
    void add(const float* const* channels, int32_t count, int32_t frames);

    int64_t nonFinite() const { return badSamples; }
    int64_t firstNonFiniteFrame() const { return firstBad; }
    int64_t denormalRuns() const { return runs; }
    int64_t firstDenormalRunFrame() const { return firstRun; }
    float peak() const { return loudest; }
    int64_t frames() const { return total; }
    // "" when clean, else one line: "12000 non-finite samples, the first at frame 512; ...".
    std::string problems() const;

private:
    int64_t total = 0;
    int64_t badSamples = 0;
    int64_t firstBad = -1;
    int64_t runs = 0;
    int64_t firstRun = -1;
    float loudest = 0.0f;
    std::vector<int64_t> currentRun;
};

// The first frame where two blocks differ bit for bit, or -1.
int64_t firstDifference(const float* a, const float* b, int32_t frames);

// "1024 frames at 48000 Hz"-style helpers for messages.
std::string frameText(int64_t frame, double sampleRate);

}  // namespace korvex_validate
