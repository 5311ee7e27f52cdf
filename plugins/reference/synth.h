// The reference synthesizer: eight voices driven by MIDI events that arrive before each block
// and are applied at their sample frame. Fixed storage only; nothing allocates after creation.
#pragma once

#include <cstdint>

#include "plugins/reference/synth_voice.h"

namespace reference {

struct MidiMessage {
    int32_t frame;
    uint8_t status;
    uint8_t data1;
    uint8_t data2;
};

class Synth {
public:
    static constexpr int32_t kMaxVoices = 8;
    static constexpr int32_t kMaxPending = 512;

    // Queues a message for the next block, in frame order (arrival order among equal frames).
    // Answers false when the queue is full and the message is dropped.
    bool queue(int32_t frame, uint8_t status, uint8_t data1, uint8_t data2);
    // Applies every queued message due at or before `frame` of the current block.
    void applyDue(int32_t frame, double sampleRate, int32_t voicesAllowed, double detuneCents);
    // Applies whatever is still queued and empties the queue (end of block, or bypass).
    void flush(double sampleRate, int32_t voicesAllowed, double detuneCents);

    float render(const VoiceShape& shape);
    void reset();
    int32_t activeVoices() const;

private:
    void apply(const MidiMessage& m, double sampleRate, int32_t voicesAllowed, double detuneCents);
    void noteOn(int32_t note, float velocity, double sampleRate, int32_t voicesAllowed, double detuneCents);
    void noteOff(int32_t note);

    SynthVoice voices[kMaxVoices];
    MidiMessage pending[kMaxPending] = {};
    int32_t pendingCount = 0;
    int32_t nextDue = 0;
    uint64_t noteCounter = 0;
};

}  // namespace reference
