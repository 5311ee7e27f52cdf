// The reference plug-in's tempo-synced delay.
#include "plugins/reference/tempo_delay.h"

#include <algorithm>
#include <cmath>

namespace reference {

TempoDelay::TempoDelay() : line(new float[kMaxSamples]()) {}

void TempoDelay::configure(double beats, double tempo, double sampleRate, float feedback, float mix) {
    double samples = beats * 60.0 / tempo * sampleRate;
    if (!std::isfinite(samples)) samples = 1.0;
    length = static_cast<int32_t>(std::clamp(samples, 1.0, static_cast<double>(kMaxSamples - 1)));
    // Below 1 so repeats always die away.
    feedbackGain = std::clamp(feedback, 0.0f, 1.0f) * 0.9f;
    wetGain = std::clamp(mix, 0.0f, 1.0f);
    dryGain = 1.0f - wetGain;
}

float TempoDelay::process(float input) {
    int32_t readAt = writeAt - length;
    if (readAt < 0) readAt += kMaxSamples;
    float delayed = line[static_cast<size_t>(readAt)];
    float stored = input + delayed * feedbackGain;
    line[static_cast<size_t>(writeAt)] = std::fabs(stored) < 1.0e-20f ? 0.0f : stored;
    if (++writeAt == kMaxSamples) writeAt = 0;
    return input * dryGain + delayed * wetGain;
}

void TempoDelay::reset() {
    std::fill(line.get(), line.get() + kMaxSamples, 0.0f);
    writeAt = 0;
}

}  // namespace reference
