// Stimulus, output watch and buffers for the validation checks.
#include "tools/korvex-host/validate/signal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace korvex_validate {
namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr int kMaxSounding = 8;

}  // namespace

Buffers::Buffers(int32_t channels, int32_t maxFrames)
    : inputs(static_cast<size_t>(channels), std::vector<float>(static_cast<size_t>(maxFrames), 0.0f)),
      outputs(inputs) {
    for (auto& channel : inputs) inputPointers.push_back(channel.data());
    for (auto& channel : outputs) outputPointers.push_back(channel.data());
}

void Buffers::silenceInput() {
    for (auto& channel : inputs) std::fill(channel.begin(), channel.end(), 0.0f);
}

void Buffers::poisonOutput() {
    for (auto& channel : outputs) std::fill(channel.begin(), channel.end(), 12345.0f);
}

Stimulus::Stimulus(uint64_t seed, double sampleRate, bool audio, bool notes)
    : random(seed), rate(sampleRate), withAudio(audio), withNotes(notes) {}

void Stimulus::next(Buffers& buffers, int32_t frames, std::vector<simhost::MidiPacket>& midi) {
    midi.clear();
    std::uniform_real_distribution<float> noise(-0.01f, 0.01f);
    for (int32_t c = 0; c < buffers.channels(); ++c) {
        float* samples = buffers.input(c).data();
        if (!withAudio) {
            std::memset(samples, 0, sizeof(float) * static_cast<size_t>(frames));
            continue;
        }
        // Partials kept below Nyquist at every rate the checks use.
        const double low = 110.0 * (1.0 + 0.01 * c), high = std::min(7000.0, rate * 0.3);
        for (int32_t i = 0; i < frames; ++i) {
            const double t = static_cast<double>(frame + i) / rate;
            samples[i] = static_cast<float>(0.25 * std::sin(kTwoPi * low * t) + 0.15 * std::sin(kTwoPi * 1000.0 * t + c) +
                                            0.08 * std::sin(kTwoPi * high * t)) +
                         noise(random);
        }
    }
    if (withNotes) {
        for (auto it = sounding.begin(); it != sounding.end();) {
            if (it->off < frame + frames) {
                midi.push_back({static_cast<uint32_t>(std::max<int64_t>(it->off - frame, 0)), 0x80, it->key, 0});
                it = sounding.erase(it);
            } else {
                ++it;
            }
        }
        while (nextNote < frame + frames) {
            const int64_t at = std::max(nextNote, frame);
            if (static_cast<int>(sounding.size()) < kMaxSounding) {
                const auto key = static_cast<uint8_t>(std::uniform_int_distribution<int>(40, 84)(random));
                const auto velocity = static_cast<uint8_t>(std::uniform_int_distribution<int>(60, 127)(random));
                const auto length = static_cast<int64_t>(rate * std::uniform_real_distribution<double>(0.03, 0.4)(random));
                midi.push_back({static_cast<uint32_t>(at - frame), 0x90, key, velocity});
                sounding.push_back({key, at + std::max<int64_t>(length, 1)});
            }
            nextNote = at + static_cast<int64_t>(rate * std::uniform_real_distribution<double>(0.01, 0.15)(random)) + 1;
        }
        std::stable_sort(midi.begin(), midi.end(),
                         [](const simhost::MidiPacket& a, const simhost::MidiPacket& b) { return a.frame < b.frame; });
    }
    frame += frames;
}

void Stimulus::releaseAll() {
    for (Sounding& note : sounding) note.off = frame;
    nextNote = std::numeric_limits<int64_t>::max();
}

void Stimulus::resume() {
    withAudio = true;
    nextNote = frame;
}

void SignalWatch::add(const Buffers& buffers, int32_t frames) {
    std::vector<const float*> channels;
    for (int32_t c = 0; c < buffers.channels(); ++c) channels.push_back(buffers.output(c).data());
    add(channels.data(), buffers.channels(), frames);
}

void SignalWatch::add(const float* const* channels, int32_t count, int32_t frames) {
    if (currentRun.size() < static_cast<size_t>(count)) currentRun.resize(static_cast<size_t>(count), 0);
    for (int32_t c = 0; c < count; ++c) {
        const float* samples = channels[c];
        if (!samples) continue;
        int64_t& run = currentRun[static_cast<size_t>(c)];
        for (int32_t i = 0; i < frames; ++i) {
            const float x = samples[i];
            if (!std::isfinite(x)) {
                if (firstBad < 0 || total + i < firstBad) firstBad = total + i;
                ++badSamples;
                run = 0;
                continue;
            }
            loudest = std::max(loudest, std::fabs(x));
            if (std::fpclassify(x) == FP_SUBNORMAL) {
                if (++run == kDenormalRun) {
                    ++runs;
                    const int64_t start = total + i - kDenormalRun + 1;
                    if (firstRun < 0 || start < firstRun) firstRun = start;
                }
            } else {
                run = 0;
            }
        }
    }
    total += frames;
}

std::string SignalWatch::problems() const {
    std::string text;
    if (badSamples > 0)
        text = std::to_string(badSamples) + " non-finite samples (NaN or infinity), the first at frame " +
               std::to_string(firstBad);
    if (runs > 0) {
        if (!text.empty()) text += "; ";
        text += std::to_string(runs) + " runs of " + std::to_string(kDenormalRun) +
                "+ denormal samples, the first from frame " + std::to_string(firstRun);
    }
    return text;
}

int64_t firstDifference(const float* a, const float* b, int32_t frames) {
    if (std::memcmp(a, b, sizeof(float) * static_cast<size_t>(frames)) == 0) return -1;
    for (int32_t i = 0; i < frames; ++i)
        if (std::memcmp(a + i, b + i, sizeof(float)) != 0) return i;
    return -1;
}

std::string frameText(int64_t frame, double sampleRate) {
    char text[64];
    std::snprintf(text, sizeof text, "frame %lld (%.3f s)", static_cast<long long>(frame),
                  static_cast<double>(frame) / sampleRate);
    return text;
}

}  // namespace korvex_validate
