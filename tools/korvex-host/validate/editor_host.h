// The editor checks' shared work: open, idle and close the plug-in's editor in a native window,
// again and again, optionally while another thread renders.
#pragma once

#include "tools/korvex-host/validate/check.h"

namespace korvex_validate {

void runEditorCycles(CheckContext& context, bool whileRendering);

}  // namespace korvex_validate
