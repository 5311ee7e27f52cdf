// Channel arrays sized to a plug-in's declaration, filled and handed over without allocating.
#include "vst/channel_arrays.h"

#include <algorithm>
#include <cstring>

namespace {

int32_t entriesFor(int32_t declared) { return std::max(declared, ChannelArrays::kHostEntries); }

float* advanced(float* channel, int32_t frames) { return channel ? channel + frames : nullptr; }

}  // namespace

ChannelArrays::ChannelArrays(int32_t preparedFrames)
    : frameCapacity(std::max(preparedFrames, 1)),
      inputs(kHostEntries, nullptr),
      outputs(kHostEntries, nullptr) {}

bool ChannelArrays::prepare(int32_t declaredInputs, int32_t declaredOutputs) {
    if (declaredInputs > kMaxChannels || declaredOutputs > kMaxChannels) {
        refused = true;
        return false;
    }
    refused = false;
    const auto inputCount = static_cast<size_t>(entriesFor(declaredInputs));
    const auto outputCount = static_cast<size_t>(entriesFor(declaredOutputs));
    if (inputCount == inputs.size() && outputCount == outputs.size()) return true;

    const auto frames = static_cast<size_t>(frameCapacity);
    silence.assign(inputCount - kHostEntries, std::vector<float>(frames, 0.0f));
    discard.assign(outputCount - kHostEntries, std::vector<float>(frames, 0.0f));
    inputs.assign(inputCount, nullptr);
    outputs.assign(outputCount, nullptr);
    for (size_t i = 0; i < silence.size(); ++i) inputs[kHostEntries + i] = silence[i].data();
    for (size_t i = 0; i < discard.size(); ++i) outputs[kHostEntries + i] = discard[i].data();
    extraEntries = !silence.empty() || !discard.empty();
    return true;
}

bool ChannelArrays::fits(const AEffect& effect) const {
    return !refused && effect.numInputs <= inputEntries() && effect.numOutputs <= outputEntries();
}

void ChannelArrays::handOver(AEffect& effect, float* in0, float* in1, float* out0, float* out1, int32_t frames) {
    float** const in = inputs.data();
    float** const out = outputs.data();
    in[0] = in0;
    in[1] = in1;
    out[0] = out0;
    out[1] = out1;
    effect.processReplacing(&effect, in, out, frames);
}

void ChannelArrays::processWithExtras(AEffect& effect, float* in0, float* in1, float* out0, float* out1,
                                      int32_t frames) {
    if (frames > frameCapacity) {
        // Consecutive pieces, each over the host's channels from where the previous piece
        // stopped. The call's MIDI went before the first piece.
        for (int32_t done = 0; done < frames;) {
            const int32_t piece = std::min(frameCapacity, frames - done);
            processWithExtras(effect, advanced(in0, done), advanced(in1, done), advanced(out0, done),
                              advanced(out1, done), piece);
            done += piece;
        }
        return;
    }
    // A plug-in may write into its inputs; the next call must still hand it silence there.
    const size_t bytes = sizeof(float) * static_cast<size_t>(std::max(frames, 0));
    for (std::vector<float>& channel : silence) std::memset(channel.data(), 0, bytes);
    handOver(effect, in0, in1, out0, out1, frames);
}

void ChannelArrays::process(AEffect& effect, float* in0, float* in1, float* out0, float* out1, int32_t frames) {
    if (!effect.processReplacing || !fits(effect)) return;
    // Kept apart so that a plug-in of up to two channels a side costs a few stores and a jump.
    if (extraEntries) processWithExtras(effect, in0, in1, out0, out1, frames);
    else handOver(effect, in0, in1, out0, out1, frames);
}
