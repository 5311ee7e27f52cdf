// Standard MIDI Files for the events a failing test sent.
#include <algorithm>

#include "tools/korvex-host/validate/kept_files.h"

namespace korvex_validate {
namespace {

void bigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

void variableLength(std::vector<uint8_t>& out, uint64_t value) {
    value = std::min<uint64_t>(value, 0x0FFFFFFF);  // the format's largest delta
    uint8_t groups[4];
    int count = 0;
    do {
        groups[count++] = static_cast<uint8_t>(value & 0x7F);
        value >>= 7;
    } while (value != 0 && count < 4);
    while (count > 0) {
        --count;
        out.push_back(static_cast<uint8_t>(groups[count] | (count > 0 ? 0x80 : 0)));
    }
}

// Channel messages of one data byte: program change and channel pressure.
bool oneDataByte(uint8_t status) { return (status & 0xE0) == 0xC0; }

}  // namespace

std::vector<uint8_t> midiFileBytes(int32_t sampleRate, const std::vector<TimedEvent>& events) {
    // 100 quarter notes a second (10000 microseconds each), sampleRate / 100 ticks each: a tick
    // is a frame at 44.1, 48, 88.2, 96 and 192 kHz alike.
    const uint32_t division = static_cast<uint32_t>(std::clamp(sampleRate / 100, 1, 0x7FFF));
    std::vector<uint8_t> track{0x00, 0xFF, 0x51, 0x03};
    bigEndian(track, 10000, 3);
    int64_t last = 0;
    for (const TimedEvent& event : events) {
        if (event.bytes[0] < 0x80 || event.bytes[0] >= 0xF0) continue;  // channel messages only
        const int64_t frame = std::max(event.frame, last);
        variableLength(track, static_cast<uint64_t>(frame - last));
        last = frame;
        track.push_back(event.bytes[0]);
        track.push_back(static_cast<uint8_t>(event.bytes[1] & 0x7F));
        if (!oneDataByte(event.bytes[0])) track.push_back(static_cast<uint8_t>(event.bytes[2] & 0x7F));
    }
    track.insert(track.end(), {0x00, 0xFF, 0x2F, 0x00});

    std::vector<uint8_t> file{'M', 'T', 'h', 'd'};
    bigEndian(file, 6, 4);
    bigEndian(file, 0, 2);
    bigEndian(file, 1, 2);
    bigEndian(file, division, 2);
    file.insert(file.end(), {'M', 'T', 'r', 'k'});
    bigEndian(file, static_cast<uint32_t>(track.size()), 4);
    file.insert(file.end(), track.begin(), track.end());
    return file;
}

}  // namespace korvex_validate
