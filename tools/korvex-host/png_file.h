// Window pictures as PNG files, through libpng.
#pragma once

#include <string>

#include "simhost/native_window.h"

namespace korvex_host {

// Writes 8-bit RGB; std::runtime_error with a one-line reason when the file cannot be written.
void writePng(const std::string& path, const simhost::WindowImage& image);
// Reads any PNG as 8-bit RGB (alpha composed onto black); std::runtime_error when it cannot.
simhost::WindowImage readPng(const std::string& path);

}  // namespace korvex_host
