// A library that looks like a VST plug-in but exports no "main": loading must fail cleanly.
#include "plugins/vst_entry.h"

KORVEX_VST_EXPORT int korvexNoMainMarker() { return 1; }
