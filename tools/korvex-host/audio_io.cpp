// WAV reading and writing through libsndfile, plus the generated test signal and channel fitting.
#include "tools/korvex-host/audio_io.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace korvex_host {
namespace {

struct FileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SoundFile = std::unique_ptr<SNDFILE, FileCloser>;

constexpr sf_count_t kChunkFrames = 4096;

}  // namespace

AudioBuffer makeSilence(int32_t sampleRate, int32_t channelCount, int64_t frames) {
    AudioBuffer audio;
    audio.sampleRate = sampleRate;
    audio.channels.assign(static_cast<size_t>(channelCount), std::vector<float>(static_cast<size_t>(frames), 0.0f));
    return audio;
}

AudioBuffer readAudioFile(const std::string& path) {
    SF_INFO info{};
    SoundFile file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) throw AudioFileError("cannot read audio file " + path + ": " + sf_strerror(nullptr));
    if (info.channels <= 0 || info.samplerate <= 0) throw AudioFileError("audio file " + path + " has no audio");

    AudioBuffer audio = makeSilence(info.samplerate, info.channels, info.frames);
    std::vector<float> interleaved(static_cast<size_t>(kChunkFrames * info.channels));
    int64_t done = 0;
    while (done < info.frames) {
        const sf_count_t got = sf_readf_float(file.get(), interleaved.data(), kChunkFrames);
        if (got <= 0) break;
        for (sf_count_t i = 0; i < got && done + i < info.frames; ++i)
            for (int c = 0; c < info.channels; ++c)
                audio.channels[static_cast<size_t>(c)][static_cast<size_t>(done + i)] =
                    interleaved[static_cast<size_t>(i * info.channels + c)];
        done += got;
    }
    if (done < info.frames) throw AudioFileError("audio file " + path + " ends early: " + sf_strerror(file.get()));
    return audio;
}

void writeAudioFile(const std::string& path, const AudioBuffer& audio) {
    SF_INFO info{};
    info.samplerate = audio.sampleRate;
    info.channels = audio.channelCount();
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SoundFile file(sf_open(path.c_str(), SFM_WRITE, &info));
    if (!file) throw AudioFileError("cannot write audio file " + path + ": " + sf_strerror(nullptr));
    // The PEAK chunk carries the time of writing: without it the same render gives the same bytes.
    sf_command(file.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);

    const int64_t frames = audio.frames();
    std::vector<float> interleaved(static_cast<size_t>(kChunkFrames * info.channels));
    for (int64_t start = 0; start < frames; start += kChunkFrames) {
        const int64_t count = std::min<int64_t>(kChunkFrames, frames - start);
        for (int64_t i = 0; i < count; ++i)
            for (int c = 0; c < info.channels; ++c)
                interleaved[static_cast<size_t>(i * info.channels + c)] =
                    audio.channels[static_cast<size_t>(c)][static_cast<size_t>(start + i)];
        if (sf_writef_float(file.get(), interleaved.data(), count) != count)
            throw AudioFileError("cannot write audio file " + path + ": " + sf_strerror(file.get()));
    }
}

AudioBuffer makeTestSignal(int32_t sampleRate, int32_t channelCount, int64_t frames) {
    constexpr double kFrequency = 220.0;
    constexpr double kAmplitude = 0.1;
    constexpr double kTwoPi = 6.283185307179586;
    AudioBuffer audio = makeSilence(sampleRate, channelCount, frames);
    for (int64_t n = 0; n < frames; ++n) {
        // Computed from n rather than accumulated, so every run and every block size agrees.
        const float value = static_cast<float>(kAmplitude * std::sin(kTwoPi * kFrequency * n / sampleRate));
        for (auto& channel : audio.channels) channel[static_cast<size_t>(n)] = value;
    }
    return audio;
}

AudioBuffer withChannelCount(AudioBuffer audio, int32_t channelCount) {
    const int32_t have = audio.channelCount();
    if (have == channelCount) return audio;
    if (have == 1) {
        audio.channels.resize(static_cast<size_t>(channelCount), audio.channels.front());
        return audio;
    }
    if (channelCount == 1) {
        std::vector<float> mixed(static_cast<size_t>(audio.frames()), 0.0f);
        for (const auto& channel : audio.channels)
            for (size_t i = 0; i < mixed.size(); ++i) mixed[i] += channel[i] / static_cast<float>(have);
        audio.channels.assign(1, std::move(mixed));
        return audio;
    }
    throw AudioFileError("cannot render " + std::to_string(have) + " input channels as " +
                         std::to_string(channelCount) + "; give a mono or " + std::to_string(channelCount) +
                         "-channel file");
}

float peakOf(const AudioBuffer& audio) {
    float peak = 0.0f;
    for (const auto& channel : audio.channels)
        for (float sample : channel) peak = std::max(peak, std::fabs(sample));
    return peak;
}

}  // namespace korvex_host
