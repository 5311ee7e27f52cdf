// The reference synthesizer's voice allocation and MIDI handling.
#include "plugins/reference/synth.h"

#include <cmath>

namespace reference {

bool Synth::queue(int32_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
    if (pendingCount >= kMaxPending) return false;
    int32_t at = pendingCount;
    // Insertion keeps the queue sorted; blocks carry a handful of events, so this stays cheap.
    while (at > nextDue && pending[at - 1].frame > frame) {
        pending[at] = pending[at - 1];
        --at;
    }
    pending[at] = MidiMessage{frame, status, data1, data2};
    ++pendingCount;
    return true;
}

void Synth::applyDue(int32_t frame, double sampleRate, int32_t voicesAllowed, double detuneCents) {
    while (nextDue < pendingCount && pending[nextDue].frame <= frame)
        apply(pending[nextDue++], sampleRate, voicesAllowed, detuneCents);
}

void Synth::flush(double sampleRate, int32_t voicesAllowed, double detuneCents) {
    while (nextDue < pendingCount) apply(pending[nextDue++], sampleRate, voicesAllowed, detuneCents);
    pendingCount = 0;
    nextDue = 0;
}

void Synth::apply(const MidiMessage& m, double sampleRate, int32_t voicesAllowed, double detuneCents) {
    uint8_t kind = m.status & 0xF0;
    if (kind == 0x90 && m.data2 > 0) {
        noteOn(m.data1 & 0x7F, static_cast<float>(m.data2 & 0x7F) / 127.0f, sampleRate, voicesAllowed, detuneCents);
    } else if (kind == 0x80 || kind == 0x90) {
        noteOff(m.data1 & 0x7F);
    } else if (kind == 0xB0 && m.data1 == 123) {  // all notes off: let them ring out
        for (SynthVoice& v : voices) v.release();
    } else if (kind == 0xB0 && m.data1 == 120) {  // all sound off: stop at once
        for (SynthVoice& v : voices) v.silence();
    }
}

void Synth::noteOn(int32_t note, float velocity, double sampleRate, int32_t voicesAllowed, double detuneCents) {
    if (voicesAllowed < 1) voicesAllowed = 1;
    if (voicesAllowed > kMaxVoices) voicesAllowed = kMaxVoices;
    SynthVoice* chosen = nullptr;
    for (int32_t i = 0; i < voicesAllowed && !chosen; ++i)
        if (voices[i].isActive() && voices[i].note() == note) chosen = &voices[i];
    for (int32_t i = 0; i < voicesAllowed && !chosen; ++i)
        if (!voices[i].isActive()) chosen = &voices[i];
    if (!chosen) {  // steal the voice that started longest ago
        chosen = &voices[0];
        for (int32_t i = 1; i < voicesAllowed; ++i)
            if (voices[i].order() < chosen->order()) chosen = &voices[i];
    }
    // Alternate voices detune up and down so a chord spreads symmetrically.
    double cents = (chosen - voices) % 2 ? -detuneCents : detuneCents;
    double frequency = 440.0 * std::pow(2.0, (note - 69 + cents / 100.0) / 12.0);
    chosen->start(note, velocity, frequency, sampleRate, ++noteCounter);
}

void Synth::noteOff(int32_t note) {
    for (SynthVoice& v : voices)
        if (v.isHeld() && v.note() == note) v.release();
}

float Synth::render(const VoiceShape& shape) {
    float sum = 0.0f;
    for (SynthVoice& v : voices) sum += v.render(shape);
    return sum;
}

void Synth::reset() {
    for (SynthVoice& v : voices) v.silence();
    pendingCount = 0;
    nextDue = 0;
}

int32_t Synth::activeVoices() const {
    int32_t n = 0;
    for (const SynthVoice& v : voices) n += v.isActive() ? 1 : 0;
    return n;
}

}  // namespace reference
