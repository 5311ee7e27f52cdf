// Files a failing test leaves for whoever looks into it: audio as WAV (where the build has
// libsndfile) and MIDI as a Standard MIDI File.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvex_validate {

// A MIDI event at a frame of the whole stretch.
struct TimedEvent {
    int64_t frame = 0;
    uint8_t bytes[3] = {0, 0, 0};
};

// 32-bit float WAV of planar channels; "" when written, else why not (one line).
std::string writeWave(const std::string& path, int32_t sampleRate, const std::vector<std::vector<float>>& channels);

// A format-0 Standard MIDI File whose ticks are frames at `sampleRate` (sampleRate / 100 ticks per
// quarter note at 100 quarter notes a second), so every event keeps its exact frame.
std::vector<uint8_t> midiFileBytes(int32_t sampleRate, const std::vector<TimedEvent>& events);

}  // namespace korvex_validate
