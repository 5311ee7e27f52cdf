// editor.cycle: the plug-in's editor opens in a native window, idles and closes, again and again;
// the size it reports is sane and the same every time, and every open is matched by a close.
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/editor_host.h"

namespace korvex_validate {

void checkEditorCycle(CheckContext& context) { runEditorCycles(context, false); }

}  // namespace korvex_validate
