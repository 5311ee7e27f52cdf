// Arbitrary bytes as a Standard MIDI File: parsing either succeeds with messages in time
// order, or refuses with MidiFileError; it never reads outside the bytes or throws anything else.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tools/korvex-host/midi_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    try {
        const korvex_host::MidiSong song = korvex_host::parseMidiFile(bytes, 48000.0);
        int64_t previous = 0;
        for (const korvex_host::MidiMessage& message : song.messages) {
            if (message.frame < previous || message.status < 0x80) std::abort();
            previous = message.frame;
        }
    } catch (const korvex_host::MidiFileError&) {
    }
    return 0;
}
