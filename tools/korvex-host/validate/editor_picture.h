// The editor's window as a picture for the reports: taken while it is open, then kept as PNG in
// the result (and as editor.png among a failure's files).
#pragma once

#include <string>

#include "simhost/native_window.h"
#include "tools/korvex-host/validate/check.h"

namespace korvex_validate {

// An empty image when the window cannot be read.
simhost::WindowImage capturePicture(simhost::NativeWindow& window);
// Nothing for an empty image; a note when the build cannot write PNG.
void keepPicture(CheckContext& context, const simhost::WindowImage& image, const std::string& title);

}  // namespace korvex_validate
