// Renders a song through the built module with the simulated host and writes the samples raw
// (32-bit floats, little-endian, channels interleaved), so that the same song rendered on two
// systems can be compared sample for sample; and compares two such files.
//   song_render SONG.mid OUT.f32        the reference plug-in, stereo, 48 kHz, blocks of 256
//   song_render --compare A.f32 B.f32   prints the largest sample difference; exit 1 on a mismatch
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/vst_install.h"
#include "tools/korvex-host/midi_file.h"

namespace {

constexpr int32_t kRate = 48000;
constexpr int32_t kBlock = 256;
constexpr int32_t kChannels = 2;
constexpr int32_t kTailFrames = kRate;  // one second past the song's end for the echoes

std::vector<float> render(const std::string& songPath) {
    const korvex_host::MidiSong song = korvex_host::readMidiFile(songPath, kRate);
    simhost::VstInstall install = simhost::VstInstall::buildDefault();
    simhost::SimHost host;
    if (host.startup() != 0) throw std::runtime_error("ACFStartup failed");
    host.describe();
    simhost::InstanceOptions options;
    options.sampleRate = static_cast<float>(kRate);
    options.maxFrames = kBlock;
    std::vector<float> interleaved;
    {
        simhost::SimEffectInstance instance(host, options);
        if (instance.initializeResult() != 0) throw std::runtime_error("Initialize failed");
        instance.setParameter("gain", 0.3);
        simhost::TransportSettings transport;
        transport.playing = true;
        transport.tempo = 120.0;
        instance.setTransport(transport);

        const int64_t total = song.endFrame + kTailFrames;
        std::vector<float> left(kBlock), right(kBlock);
        float* outputs[kChannels] = {left.data(), right.data()};
        const float* silence[kChannels] = {nullptr, nullptr};
        std::vector<simhost::MidiPacket> packets;
        size_t next = 0;
        for (int64_t start = 0; start < total; start += kBlock) {
            const int32_t frames = static_cast<int32_t>(std::min<int64_t>(kBlock, total - start));
            packets.clear();
            for (; next < song.messages.size() && song.messages[next].frame < start + frames; ++next) {
                const korvex_host::MidiMessage& m = song.messages[next];
                packets.push_back({static_cast<uint32_t>(std::max<int64_t>(m.frame - start, 0)), m.status, m.data1,
                                   m.data2});
            }
            if (!instance.render(silence, outputs, frames, packets)) throw std::runtime_error("render refused a block");
            for (int32_t i = 0; i < frames; ++i) {
                interleaved.push_back(left[static_cast<size_t>(i)]);
                interleaved.push_back(right[static_cast<size_t>(i)]);
            }
        }
    }
    host.shutdown();
    return interleaved;
}

void writeRaw(const std::string& path, const std::vector<float>& samples) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (float sample : samples) {
        uint32_t bits = 0;
        std::memcpy(&bits, &sample, sizeof bits);
        const char bytes[4] = {static_cast<char>(bits), static_cast<char>(bits >> 8), static_cast<char>(bits >> 16),
                               static_cast<char>(bits >> 24)};
        out.write(bytes, 4);
    }
    if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<float> readRaw(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.size() % 4 != 0) throw std::runtime_error(path + " is not a whole number of samples");
    std::vector<float> samples(bytes.size() / 4);
    for (size_t i = 0; i < samples.size(); ++i) {
        const uint32_t bits = uint32_t{bytes[4 * i]} | uint32_t{bytes[4 * i + 1]} << 8 |
                              uint32_t{bytes[4 * i + 2]} << 16 | uint32_t{bytes[4 * i + 3]} << 24;
        std::memcpy(&samples[i], &bits, sizeof bits);
    }
    return samples;
}

int compare(const std::string& a, const std::string& b) {
    const std::vector<float> first = readRaw(a), second = readRaw(b);
    if (first.size() != second.size()) {
        std::printf("lengths differ: %zu and %zu samples\n", first.size(), second.size());
        return 1;
    }
    double largest = 0.0, peak = 0.0;
    size_t differing = 0;
    for (size_t i = 0; i < first.size(); ++i) {
        const double difference = std::fabs(static_cast<double>(first[i]) - static_cast<double>(second[i]));
        largest = std::max(largest, difference);
        peak = std::max(peak, static_cast<double>(std::fabs(first[i])));
        if (std::memcmp(&first[i], &second[i], sizeof(float)) != 0) ++differing;
    }
    std::printf("%zu samples (%zu frames), peak %.6f: %zu differ, largest difference %.9g\n", first.size(),
                first.size() / kChannels, peak, differing, largest);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        if (argc == 4 && std::string(argv[1]) == "--compare") return compare(argv[2], argv[3]);
        if (argc != 3) {
            std::fprintf(stderr, "usage: song_render SONG.mid OUT.f32 | song_render --compare A.f32 B.f32\n");
            return 2;
        }
        const std::vector<float> samples = render(argv[1]);
        writeRaw(argv[2], samples);
        std::printf("%zu frames -> %s\n", samples.size() / kChannels, argv[2]);
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "song_render: %s\n", error.what());
        return 1;
    }
}
