// Audio files in and out of the command-line host (WAV through libsndfile, float samples) and the
// generated signal used when no input file is given.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex_host {

// An audio file that cannot be read or written; what() names the file and libsndfile's reason.
class AudioFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Planar float samples: channels[c][frame].
struct AudioBuffer {
    int32_t sampleRate = 0;
    std::vector<std::vector<float>> channels;

    int64_t frames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels.front().size()); }
    int32_t channelCount() const { return static_cast<int32_t>(channels.size()); }
};

AudioBuffer makeSilence(int32_t sampleRate, int32_t channelCount, int64_t frames);

AudioBuffer readAudioFile(const std::string& path);
// 32-bit float WAV.
void writeAudioFile(const std::string& path, const AudioBuffer& audio);

// A quiet 220 Hz sine (about -20 dBFS) on every channel, the same on every run, so renders
// without an input file can be compared byte for byte.
AudioBuffer makeTestSignal(int32_t sampleRate, int32_t channelCount, int64_t frames);

// The buffer with `channelCount` channels: one channel is copied to all, several are averaged
// into one; other changes are refused with AudioFileError.
AudioBuffer withChannelCount(AudioBuffer audio, int32_t channelCount);

// Largest absolute sample over all channels.
float peakOf(const AudioBuffer& audio);

}  // namespace korvex_host
