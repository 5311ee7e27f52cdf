// Standard MIDI File reader: chunk walk, running status, tempo map and the tick-to-frame conversion.
#include "tools/korvex-host/midi_file.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace korvex_host {
namespace {

constexpr uint32_t kDefaultMicrosPerQuarter = 500000;  // 120 beats per minute

struct TimedMessage {
    int64_t tick;
    MidiMessage message;
};

struct TempoChange {
    int64_t tick;
    uint32_t microsPerQuarter;
};

// Bounds-checked reading of the file's big-endian fields.
class ByteReader {
public:
    ByteReader(const uint8_t* begin, const uint8_t* end, std::string where)
        : cursor(begin), limit(end), context(std::move(where)) {}

    bool atEnd() const { return cursor >= limit; }
    size_t remaining() const { return static_cast<size_t>(limit - cursor); }

    uint8_t byte() {
        if (atEnd()) fail("ends in the middle of an event");
        return *cursor++;
    }
    uint8_t peek() const { return atEnd() ? 0 : *cursor; }
    uint32_t big(int count) {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) value = (value << 8) | byte();
        return value;
    }
    // Variable-length quantity: at most four bytes, seven bits each.
    uint32_t variable() {
        uint32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const uint8_t next = byte();
            value = (value << 7) | (next & 0x7F);
            if ((next & 0x80) == 0) return value;
        }
        fail("has a variable-length number longer than four bytes");
    }
    const uint8_t* take(size_t count) {
        if (count > remaining()) fail("has a length that runs past its end");
        const uint8_t* start = cursor;
        cursor += count;
        return start;
    }
    [[noreturn]] void fail(const std::string& what) const { throw MidiFileError(context + " " + what); }

private:
    const uint8_t* cursor;
    const uint8_t* limit;
    std::string context;
};

// Bytes that follow a status byte of a channel voice message.
int dataBytesOf(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

void readTrack(ByteReader& track, std::vector<TimedMessage>& messages, std::vector<TempoChange>& tempos,
               int64_t& endTick) {
    int64_t tick = 0;
    uint8_t running = 0;
    while (!track.atEnd()) {
        tick += track.variable();
        uint8_t status = track.peek();
        if (status & 0x80) {
            track.byte();
        } else if (running) {
            status = running;  // running status: the data byte belongs to the previous status
        } else {
            track.fail("has a data byte without a status byte");
        }

        if (status == 0xFF) {
            const uint8_t type = track.byte();
            const uint32_t length = track.variable();
            const uint8_t* data = track.take(length);
            if (type == 0x51) {
                if (length < 3) track.fail("has a tempo event shorter than three bytes");
                const uint32_t micros = (uint32_t{data[0]} << 16) | (uint32_t{data[1]} << 8) | data[2];
                if (micros == 0) track.fail("has a tempo of zero microseconds per beat");
                tempos.push_back({tick, micros});
            }
            if (type == 0x2F) {
                endTick = std::max(endTick, tick);
                return;  // whatever follows the end of the track is not part of it
            }
            running = 0;
        } else if (status == 0xF0 || status == 0xF7) {
            track.take(track.variable());  // system exclusive is not passed on
            running = 0;
        } else if (status >= 0xF0) {
            track.fail("has a system message that files may not hold");
        } else {
            running = status;
            MidiMessage message;
            message.status = status;
            message.data1 = track.byte() & 0x7F;
            if (dataBytesOf(status) == 2) message.data2 = track.byte() & 0x7F;
            messages.push_back({tick, message});
        }
    }
    endTick = std::max(endTick, tick);  // a track without its end event ends at its last event
}

// Tick to seconds through the tempo map (metrical division) or the fixed SMPTE rate.
class TickClock {
public:
    TickClock(uint16_t division, std::vector<TempoChange> changes) : tempos(std::move(changes)) {
        if (division & 0x8000) {
            const int framesPerSecond = -static_cast<int8_t>(division >> 8);
            const int ticksPerFrame = division & 0xFF;
            if (framesPerSecond <= 0 || ticksPerFrame == 0) throw MidiFileError("MIDI file has a bad SMPTE division");
            // 29 stands for 29.97 drop-frame.
            smpteTicksPerSecond = (framesPerSecond == 29 ? 29.97 : framesPerSecond) * ticksPerFrame;
        } else {
            if (division == 0) throw MidiFileError("MIDI file has a division of zero ticks per beat");
            ticksPerQuarter = division;
        }
        std::stable_sort(tempos.begin(), tempos.end(),
                         [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    }

    double seconds(int64_t tick) const {
        if (smpteTicksPerSecond > 0) return static_cast<double>(tick) / smpteTicksPerSecond;
        double elapsed = 0.0;
        int64_t from = 0;
        uint32_t micros = kDefaultMicrosPerQuarter;
        for (const TempoChange& change : tempos) {
            if (change.tick >= tick) break;
            elapsed += span(change.tick - from, micros);
            from = change.tick;
            micros = change.microsPerQuarter;
        }
        return elapsed + span(tick - from, micros);
    }

private:
    double span(int64_t ticks, uint32_t micros) const {
        return static_cast<double>(ticks) * micros / (1e6 * ticksPerQuarter);
    }

    std::vector<TempoChange> tempos;
    double ticksPerQuarter = 0.0;
    double smpteTicksPerSecond = 0.0;
};

}  // namespace

MidiSong parseMidiFile(const std::vector<uint8_t>& bytes, double sampleRate) {
    ByteReader file(bytes.data(), bytes.data() + bytes.size(), "MIDI file");
    if (bytes.size() < 14 || std::string(reinterpret_cast<const char*>(bytes.data()), 4) != "MThd")
        throw MidiFileError("not a Standard MIDI File (no MThd header)");
    file.take(4);
    const uint32_t headerLength = file.big(4);
    if (headerLength < 6) file.fail("has a header shorter than six bytes");
    const uint8_t* headerData = file.take(headerLength);
    ByteReader header(headerData, headerData + headerLength, "MIDI file header");
    MidiSong song;
    song.format = static_cast<int32_t>(header.big(2));
    const uint32_t declaredTracks = header.big(2);
    const uint16_t division = static_cast<uint16_t>(header.big(2));
    if (song.format > 1) throw MidiFileError("MIDI file format " + std::to_string(song.format) + " is not supported");

    std::vector<TimedMessage> timed;
    std::vector<TempoChange> tempos;
    int64_t endTick = 0;
    while (!file.atEnd() && song.trackCount < static_cast<int32_t>(declaredTracks)) {
        if (file.remaining() < 8) file.fail("ends inside a chunk header");
        const std::string type(reinterpret_cast<const char*>(file.take(4)), 4);
        const uint32_t length = file.big(4);
        const uint8_t* data = file.take(length);
        if (type != "MTrk") continue;  // unknown chunks are skipped, as the format asks
        ByteReader track(data, data + length, "MIDI track " + std::to_string(song.trackCount + 1));
        // A stable sort below keeps this order for equal ticks: track order, then file order.
        readTrack(track, timed, tempos, endTick);
        ++song.trackCount;
    }
    if (song.trackCount == 0) throw MidiFileError("MIDI file has no tracks");

    std::stable_sort(timed.begin(), timed.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return a.tick < b.tick; });
    const TickClock clock(division, std::move(tempos));
    const auto frameAt = [&](int64_t tick) { return std::llround(clock.seconds(tick) * sampleRate); };
    song.messages.reserve(timed.size());
    for (TimedMessage& entry : timed) {
        entry.message.frame = frameAt(entry.tick);
        song.messages.push_back(entry.message);
    }
    song.endFrame = frameAt(endTick);
    return song;
}

MidiSong readMidiFile(const std::string& path, double sampleRate) {
    // A folder opens as a stream on some systems and fails only when read, with the library's
    // words and without the name.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) throw MidiFileError("cannot read MIDI file " + path + ": it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw MidiFileError("cannot open MIDI file " + path);
    std::vector<uint8_t> bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        throw MidiFileError("cannot read MIDI file " + path);
    }
    if (in.bad()) throw MidiFileError("cannot read MIDI file " + path);
    try {
        return parseMidiFile(bytes, sampleRate);
    } catch (const MidiFileError& error) {
        throw MidiFileError(path + ": " + error.what());
    }
}

}  // namespace korvex_host
