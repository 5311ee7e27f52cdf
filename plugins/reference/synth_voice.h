// One voice of the reference synthesizer: a naive saw/square oscillator under an
// attack/sustain/release envelope.
#pragma once

#include <cstdint>

namespace reference {

struct VoiceShape {
    bool square;
    double attackStep;    // envelope rise per sample
    double releaseCoeff;  // envelope decay factor per sample
};

class SynthVoice {
public:
    enum class Stage { Off, Attack, Sustain, Release };

    void start(int32_t note, float velocity, double frequency, double sampleRate, uint64_t order);
    void release() {
        if (stage != Stage::Off) stage = Stage::Release;
    }
    void silence();

    bool isActive() const { return stage != Stage::Off; }
    bool isHeld() const { return stage == Stage::Attack || stage == Stage::Sustain; }
    int32_t note() const { return currentNote; }
    uint64_t order() const { return startOrder; }

    float render(const VoiceShape& shape);

private:
    Stage stage = Stage::Off;
    int32_t currentNote = -1;
    float gain = 0.0f;
    double phase = 0.0;
    double increment = 0.0;
    double level = 0.0;
    uint64_t startOrder = 0;
};

}  // namespace reference
