// The command-line host's Standard MIDI File reader: timing, running status, tempo map, merging, refusals.
#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "tools/korvex-host/midi_file.h"

using korvex_host::MidiFileError;
using korvex_host::MidiMessage;
using korvex_host::MidiSong;
using korvex_host::parseMidiFile;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr double kRate = 48000.0;

void append(Bytes& to, std::initializer_list<uint8_t> bytes) { to.insert(to.end(), bytes); }

void appendBig(Bytes& to, uint32_t value, int count) {
    for (int i = count - 1; i >= 0; --i) to.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

Bytes variable(uint32_t value) {
    Bytes bytes{static_cast<uint8_t>(value & 0x7F)};
    while (value >>= 7) bytes.insert(bytes.begin(), static_cast<uint8_t>(0x80 | (value & 0x7F)));
    return bytes;
}

// Track body built event by event: a delta time, then the raw event bytes.
struct Track {
    Bytes body;
    Track& at(uint32_t delta, std::initializer_list<uint8_t> event) {
        const Bytes time = variable(delta);
        body.insert(body.end(), time.begin(), time.end());
        append(body, event);
        return *this;
    }
    Track& tempo(uint32_t delta, uint32_t microsPerQuarter) {
        return at(delta, {0xFF, 0x51, 0x03, static_cast<uint8_t>(microsPerQuarter >> 16),
                          static_cast<uint8_t>(microsPerQuarter >> 8), static_cast<uint8_t>(microsPerQuarter)});
    }
    Track& end(uint32_t delta) { return at(delta, {0xFF, 0x2F, 0x00}); }
};

Bytes file(uint16_t format, uint16_t division, std::initializer_list<Track> tracks) {
    Bytes bytes{'M', 'T', 'h', 'd'};
    appendBig(bytes, 6, 4);
    appendBig(bytes, format, 2);
    appendBig(bytes, static_cast<uint32_t>(tracks.size()), 2);
    appendBig(bytes, division, 2);
    for (const Track& track : tracks) {
        append(bytes, {'M', 'T', 'r', 'k'});
        appendBig(bytes, static_cast<uint32_t>(track.body.size()), 4);
        bytes.insert(bytes.end(), track.body.begin(), track.body.end());
    }
    return bytes;
}

void expectMessage(const MidiMessage& message, int64_t frame, uint8_t status, uint8_t data1, uint8_t data2) {
    EXPECT_EQ(message.frame, frame);
    EXPECT_EQ(message.status, status);
    EXPECT_EQ(message.data1, data1);
    EXPECT_EQ(message.data2, data2);
}

TEST(MidiFileReader, RunningStatusRepeatsTheLastChannelStatus) {
    Track track;
    track.at(0, {0x90, 60, 100})
        .at(480, {62, 90})              // running note on
        .at(0, {0xC1, 5})               // program change: one data byte
        .at(240, {7})                   // running program change
        .at(240, {0x80, 60, 0})
        .end(0);
    const MidiSong song = parseMidiFile(file(0, 480, {track}), kRate);
    ASSERT_EQ(song.messages.size(), 5u);
    expectMessage(song.messages[0], 0, 0x90, 60, 100);
    expectMessage(song.messages[1], 24000, 0x90, 62, 90);  // 480 ticks = one beat = 0.5 s at 120 bpm
    expectMessage(song.messages[2], 24000, 0xC1, 5, 0);
    expectMessage(song.messages[3], 36000, 0xC1, 7, 0);
    expectMessage(song.messages[4], 48000, 0x80, 60, 0);
    EXPECT_EQ(song.endFrame, 48000);
}

TEST(MidiFileReader, MetaAndSysexEventsCancelRunningStatus) {
    Track track;
    track.at(0, {0x90, 60, 100}).at(0, {0xF0, 0x02, 0x7E, 0xF7}).at(0, {61, 100}).end(0);
    EXPECT_THROW(parseMidiFile(file(0, 96, {track}), kRate), MidiFileError);
}

TEST(MidiFileReader, TempoChangesApplyFromTheirTickOn) {
    Track track;
    track.at(0, {0x90, 60, 100})
        .tempo(480, 1000000)            // 60 bpm from beat 1
        .at(480, {0x80, 60, 0})         // one beat at 120 bpm, then one at 60 bpm
        .tempo(0, 250000)               // 240 bpm
        .at(960, {0x90, 64, 1})
        .end(0);
    const MidiSong song = parseMidiFile(file(0, 480, {track}), kRate);
    ASSERT_EQ(song.messages.size(), 3u);
    EXPECT_EQ(song.messages[1].frame, 24000 + 48000);
    EXPECT_EQ(song.messages[2].frame, 72000 + 24000);  // two beats at 240 bpm = 0.5 s
}

TEST(MidiFileReader, FormatOneMergesTracksInTimeOrderWithTempoFromAnyTrack) {
    Track tempoTrack, melody, bass;
    tempoTrack.tempo(0, 1000000).end(960);
    melody.at(0, {0x90, 72, 80}).at(480, {0x80, 72, 0}).end(0);
    bass.at(0, {0x91, 36, 90}).at(240, {0x81, 36, 0}).at(240, {0x91, 38, 90}).end(480);
    const MidiSong song = parseMidiFile(file(1, 480, {tempoTrack, melody, bass}), kRate);
    EXPECT_EQ(song.format, 1);
    EXPECT_EQ(song.trackCount, 3);
    ASSERT_EQ(song.messages.size(), 5u);
    // Equal times keep track order: the melody's events come before the bass's.
    expectMessage(song.messages[0], 0, 0x90, 72, 80);
    expectMessage(song.messages[1], 0, 0x91, 36, 90);
    expectMessage(song.messages[2], 24000, 0x81, 36, 0);
    expectMessage(song.messages[3], 48000, 0x80, 72, 0);
    expectMessage(song.messages[4], 48000, 0x91, 38, 90);
    EXPECT_EQ(song.endFrame, 96000);  // the bass track ends last, at tick 960 = two beats at 60 bpm
}

TEST(MidiFileReader, SmpteDivisionCountsTicksPerSecondIgnoringTempo) {
    Track track;
    track.tempo(0, 1000000).at(100, {0x90, 60, 1}).end(0);
    // 25 frames per second, 40 ticks per frame: 1000 ticks per second.
    const MidiSong song = parseMidiFile(file(0, static_cast<uint16_t>(0xE728), {track}), kRate);
    ASSERT_EQ(song.messages.size(), 1u);
    EXPECT_EQ(song.messages[0].frame, 4800);
}

TEST(MidiFileReader, UnknownChunksAreSkipped) {
    Track track;
    track.at(10, {0x90, 60, 1}).end(0);
    Bytes bytes = file(0, 480, {});
    bytes[11] = 1;  // one track, after a chunk of a kind the reader does not know
    append(bytes, {'X', 'Y', 'Z', 'W', 0, 0, 0, 2, 0xAA, 0xBB, 'M', 'T', 'r', 'k'});
    appendBig(bytes, static_cast<uint32_t>(track.body.size()), 4);
    bytes.insert(bytes.end(), track.body.begin(), track.body.end());
    const MidiSong song = parseMidiFile(bytes, kRate);
    ASSERT_EQ(song.messages.size(), 1u);
    EXPECT_EQ(song.messages[0].frame, 500);
}

TEST(MidiFileReader, RefusesDamagedOrUnsupportedFiles) {
    Track good;
    good.at(0, {0x90, 60, 100}).end(0);
    const Bytes valid = file(0, 480, {good});

    EXPECT_THROW(parseMidiFile(Bytes{'R', 'I', 'F', 'F'}, kRate), MidiFileError);
    EXPECT_THROW(parseMidiFile(file(2, 480, {good}), kRate), MidiFileError);
    EXPECT_THROW(parseMidiFile(file(0, 0, {good}), kRate), MidiFileError);
    EXPECT_THROW(parseMidiFile(file(0, 480, {}), kRate), MidiFileError);
    for (size_t cut = 15; cut < valid.size() - 3; ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_THROW(parseMidiFile(Bytes(valid.begin(), valid.begin() + static_cast<long>(cut)), kRate),
                     MidiFileError);
    }

    Track dataFirst;
    dataFirst.at(0, {60, 100}).end(0);
    EXPECT_THROW(parseMidiFile(file(0, 480, {dataFirst}), kRate), MidiFileError);
    Track longNumber;
    longNumber.at(0, {0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F});
    EXPECT_THROW(parseMidiFile(file(0, 480, {longNumber}), kRate), MidiFileError);
    Track shortTempo;
    shortTempo.at(0, {0xFF, 0x51, 0x01, 0x07}).end(0);
    EXPECT_THROW(parseMidiFile(file(0, 480, {shortTempo}), kRate), MidiFileError);
}

}  // namespace
