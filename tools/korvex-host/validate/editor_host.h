// The editor checks' shared work: open, idle and close the plug-in's editor in a native window,
// again and again, optionally while another thread renders; and what the fuzzer's editors share.
#pragma once

#include <memory>
#include <string>

#include "simhost/native_window.h"
#include "tools/korvex-host/validate/check.h"

namespace korvex_validate {

void runEditorCycles(CheckContext& context, bool whileRendering);

// A small window held while editors come and go, so the display server never resets between
// them; null, with the reason in *why, when no window can be had.
std::unique_ptr<simhost::NativeWindow> holdDisplay(std::string* why);

}  // namespace korvex_validate
