// render.guards: the render call touches the host's buffers only within the block. Every channel
// buffer is fenced on both sides by guard samples holding a pattern no audio holds; after each
// call a changed guard is a write outside an input or output, and a changed input sample a write
// into an input. Reads outside an input show as output that depends on the guards: two instances
// fed the same, their guards holding different patterns, must render the same (a third, with the
// first one's pattern, shows whether they would anyway).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/render_plan.h"
#include "tools/korvex-host/validate/session.h"
#include "tools/korvex-host/validate/signal.h"

namespace korvex_validate {
namespace {

constexpr int32_t kGuard = 64;  // samples on each side of every buffer
// Odd sizes catch plug-ins that round a block up to their vector width; the run's sizes follow.
constexpr int32_t kOddSizes[] = {7, 1, 33, 511, 3, 250};
constexpr int kCallsPerSize = 6;
// Finite, far from silence and unlikely to be written by chance; two of them to tell reads.
constexpr uint32_t kPatternA = 0x3E8F5C29u;  // 0.28
constexpr uint32_t kPatternB = 0xBF1C28F6u;  // -0.61

float fromBits(uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

uint32_t bitsOf(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// One instance's channel buffers, each with its guards, for blocks of one size.
class GuardedBuffers {
public:
    GuardedBuffers(int32_t channels, int32_t blockFrames, uint32_t guardPattern)
        : frames(blockFrames), pattern(guardPattern) {
        // Guards hold the pattern, bodies silence: an output the plug-in leaves alone (a channel it
        // does not have) reads the same whatever the guards hold.
        std::vector<float> fenced(static_cast<size_t>(frames + 2 * kGuard), fromBits(pattern));
        std::fill(fenced.begin() + kGuard, fenced.begin() + kGuard + frames, 0.0f);
        for (int32_t c = 0; c < channels; ++c) {
            inputs.push_back(fenced);
            outputs.push_back(fenced);
        }
        for (auto& channel : inputs) inputPointers.push_back(channel.data() + kGuard);
        for (auto& channel : outputs) outputPointers.push_back(channel.data() + kGuard);
    }

    float* const* in() { return inputPointers.data(); }
    float* const* out() { return outputPointers.data(); }
    const float* output(int32_t channel) const { return outputPointers[static_cast<size_t>(channel)]; }

    // Every damage since the last call, as failures naming the channel and the offset from the
    // block's first sample; false when there was any.
    bool inspect(CheckContext& context, const std::string& where, const std::vector<const float*>& given) {
        bool clean = true;
        for (size_t c = 0; c < inputs.size(); ++c) {
            clean &= guardsIntact(context, where, "input", c, inputs[c]);
            clean &= guardsIntact(context, where, "output", c, outputs[c]);
            for (int32_t i = 0; i < frames; ++i) {
                if (bitsOf(inputPointers[c][i]) == bitsOf(given[c][i])) continue;
                context.fail(where + ": wrote into input channel " + std::to_string(c) + " at offset " +
                             std::to_string(i) + " of " + std::to_string(frames));
                clean = false;
                break;
            }
        }
        return clean;
    }

private:
    bool guardsIntact(CheckContext& context, const std::string& where, const char* kind, size_t channel,
                      std::vector<float>& buffer) {
        int32_t first = 0, count = 0;
        for (int32_t i = 0; i < static_cast<int32_t>(buffer.size()); ++i) {
            if (i >= kGuard && i < kGuard + frames) continue;
            if (bitsOf(buffer[static_cast<size_t>(i)]) == pattern) continue;
            if (count++ == 0) first = i - kGuard;
            buffer[static_cast<size_t>(i)] = fromBits(pattern);  // so the next call is judged alone
        }
        if (count == 0) return true;
        const std::string side = first < 0 ? "before the start of" : "past the end of";
        context.fail(where + ": wrote " + std::to_string(count) + (count == 1 ? " sample " : " samples ") + side + " " + kind + " channel " +
                     std::to_string(channel) + ", the first at offset " + std::to_string(first) + " of a " +
                     std::to_string(frames) + "-frame buffer");
        return false;
    }

    int32_t frames;
    uint32_t pattern;
    std::vector<std::vector<float>> inputs, outputs;
    std::vector<float*> inputPointers, outputPointers;
};

}  // namespace

void checkRenderGuards(CheckContext& context) {
    Session& session = context.session();
    // a and c have the same guards, b others: a against c shows whether the plug-in renders the
    // same for the same input at all; a against b, whether it reads its guards.
    std::unique_ptr<Instance> a = session.instance(), b = session.instance(), c = session.instance();
    Instance* instances[] = {a.get(), b.get(), c.get()};
    const uint32_t patterns[] = {kPatternA, kPatternB, kPatternA};
    const int32_t channels = a->channels();
    simhost::TransportSettings transport;
    transport.playing = true;
    transport.tempo = 120.0;
    for (Instance* instance : instances) instance->sim().setTransport(transport);
    Stimulus stimulus(context.seed(), a->settings().sampleRate, true, a->facts().isSynth());
    Buffers given(channels, kMaxBlock);
    std::vector<simhost::MidiPacket> midi;
    Buffers results(channels, kMaxBlock);
    std::vector<int32_t> sizes(std::begin(kOddSizes), std::end(kOddSizes));
    for (int32_t size : blockSizes(context, {64, 4096})) sizes.push_back(size);
    bool reads = true, deterministic = true, clean = true;
    int64_t calls = 0;
    for (const int32_t frames : sizes) {
        if (frames > a->settings().maxFrames) continue;
        std::vector<std::unique_ptr<GuardedBuffers>> guarded;
        for (const uint32_t pattern : patterns) guarded.push_back(std::make_unique<GuardedBuffers>(channels, frames, pattern));
        std::vector<const float*> in;
        for (int32_t ch = 0; ch < channels; ++ch) in.push_back(given.input(ch).data());
        for (int call = 0; call < kCallsPerSize && clean; ++call, ++calls) {
            stimulus.next(given, frames, midi);
            const std::string where = std::to_string(frames) + "-frame block " + std::to_string(call + 1);
            for (size_t k = 0; k < 3; ++k) {
                instances[k]->sim().context().useChannelBuffers(guarded[k]->in(), guarded[k]->out());
                const bool rendered = instances[k]->render(given.in(), results.out(), frames, midi);
                instances[k]->sim().context().useChannelBuffers(nullptr, nullptr);
                if (!rendered) context.abort(where + ": the simulated host refused the render call");
                clean &= guarded[k]->inspect(context, where, in);
            }
            for (int32_t ch = 0; ch < channels && deterministic && reads; ++ch) {
                const int64_t control = firstDifference(guarded[0]->output(ch), guarded[2]->output(ch), frames);
                const int64_t other = firstDifference(guarded[0]->output(ch), guarded[1]->output(ch), frames);
                if (control >= 0) {
                    deterministic = false;
                } else if (other >= 0) {
                    reads = false;
                    context.fail(where + ": the output depends on what lies outside the input buffers (read past "
                                 "an input's end or before its start): output channel " + std::to_string(ch) +
                                 " differs at offset " + std::to_string(other) + " with other guard contents");
                }
            }
        }
        if (!clean) break;
    }
    context.figure("render_calls", static_cast<double>(calls));
    context.figure("guard_samples", kGuard);
    if (!deterministic)
        context.note("reads outside the inputs not checked: two instances given the same render differently");
}

}  // namespace korvex_validate
