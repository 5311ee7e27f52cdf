// A feedback delay whose time is a note value at the host's tempo. The line is allocated once,
// long enough for two seconds at 192 kHz; longer times are shortened to fit.
#pragma once

#include <cstdint>
#include <memory>

namespace reference {

class TempoDelay {
public:
    static constexpr int32_t kMaxSamples = 2 * 192000;

    TempoDelay();

    // Delay of `beats` at `tempo` BPM; feedback and mix in [0, 1].
    void configure(double beats, double tempo, double sampleRate, float feedback, float mix);
    float process(float input);
    void reset();
    int32_t delaySamples() const { return length; }

private:
    std::unique_ptr<float[]> line;
    int32_t writeAt = 0;
    int32_t length = 1;
    float feedbackGain = 0.0f;
    float wetGain = 0.0f;
    float dryGain = 1.0f;
};

}  // namespace reference
