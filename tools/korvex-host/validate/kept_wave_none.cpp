// Builds without libsndfile (Debian has none for mingw) keep no audio files, and say so.
#include "tools/korvex-host/validate/kept_files.h"

namespace korvex_validate {

std::string writeWave(const std::string& path, int32_t, const std::vector<std::vector<float>>&) {
    return "no " + path + ": this build writes no audio files (it has no libsndfile)";
}

}  // namespace korvex_validate
