// The reference synthesizer's voice.
#include "plugins/reference/synth_voice.h"

namespace reference {
namespace {
// Below this the release is inaudible and the voice frees itself.
constexpr double kSilentLevel = 1.0e-4;
}  // namespace

void SynthVoice::start(int32_t note, float velocity, double frequency, double sampleRate, uint64_t order) {
    // A retriggered voice keeps its level and phase so the restart does not click.
    if (stage == Stage::Off) {
        phase = 0.0;
        level = 0.0;
    }
    stage = Stage::Attack;
    currentNote = note;
    gain = velocity;
    increment = sampleRate > 0.0 ? frequency / sampleRate : 0.0;
    if (increment >= 0.5) increment = 0.0;  // above Nyquist: keep the voice silent rather than alias
    startOrder = order;
}

void SynthVoice::silence() {
    stage = Stage::Off;
    currentNote = -1;
    level = 0.0;
}

float SynthVoice::render(const VoiceShape& shape) {
    switch (stage) {
    case Stage::Off:
        return 0.0f;
    case Stage::Attack:
        level += shape.attackStep;
        if (level >= 1.0) {
            level = 1.0;
            stage = Stage::Sustain;
        }
        break;
    case Stage::Sustain:
        break;
    case Stage::Release:
        level *= shape.releaseCoeff;
        if (level < kSilentLevel) {
            silence();
            return 0.0f;
        }
        break;
    }
    double wave = shape.square ? (phase < 0.5 ? 1.0 : -1.0) : 2.0 * phase - 1.0;
    phase += increment;
    if (phase >= 1.0) phase -= 1.0;
    return static_cast<float>(wave * level * gain);
}

}  // namespace reference
