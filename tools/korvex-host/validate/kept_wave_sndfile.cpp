// WAV files of a failing test's audio, through the command-line host's libsndfile writer.
#include "tools/korvex-host/audio_io.h"
#include "tools/korvex-host/validate/kept_files.h"

namespace korvex_validate {

std::string writeWave(const std::string& path, int32_t sampleRate, const std::vector<std::vector<float>>& channels) {
    korvex_host::AudioBuffer audio;
    audio.sampleRate = sampleRate;
    audio.channels = channels;
    try {
        korvex_host::writeAudioFile(path, audio);
    } catch (const std::exception& error) {
        return error.what();
    }
    return {};
}

}  // namespace korvex_validate
