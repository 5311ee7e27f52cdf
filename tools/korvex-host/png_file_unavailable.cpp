// Window pictures where this build has no libpng: a clear refusal instead of a hand-written encoder.
#include <stdexcept>

#include "tools/korvex-host/png_file.h"

namespace korvex_host {

void writePng(const std::string& path, const simhost::WindowImage&) {
    throw std::runtime_error("cannot write " + path + ": this build of korvex-host has no PNG support (libpng)");
}

simhost::WindowImage readPng(const std::string& path) {
    throw std::runtime_error("cannot read " + path + ": this build of korvex-host has no PNG support (libpng)");
}

}  // namespace korvex_host
