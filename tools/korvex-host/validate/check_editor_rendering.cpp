// editor.rendering: the editor opens, idles and closes while another thread renders without
// pause, as a host's audio thread does while a user opens the plug-in's window.
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/editor_host.h"

namespace korvex_validate {

void checkEditorRendering(CheckContext& context) { runEditorCycles(context, true); }

}  // namespace korvex_validate
