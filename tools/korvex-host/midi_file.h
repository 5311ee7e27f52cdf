// Standard MIDI Files (format 0 and 1) read into channel messages timed in sample frames.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex_host {

// A file that is not a usable Standard MIDI File; what() says where it went wrong.
class MidiFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One channel voice message; data2 is 0 for the one-byte messages (program, channel pressure).
struct MidiMessage {
    int64_t frame = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

struct MidiSong {
    int32_t format = 0;
    int32_t trackCount = 0;
    // All tracks merged in time order; messages at the same tick keep track order, then file order.
    std::vector<MidiMessage> messages;
    // Where the last track ends (its end-of-track event), in frames.
    int64_t endFrame = 0;
};

// Tick times become frames through the file's tempo map (120 beats per minute until the first
// tempo event), rounded to the nearest frame.
MidiSong parseMidiFile(const std::vector<uint8_t>& bytes, double sampleRate);
MidiSong readMidiFile(const std::string& path, double sampleRate);

}  // namespace korvex_host
