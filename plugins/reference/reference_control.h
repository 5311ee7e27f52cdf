// The one test hook the reference plug-in (build/VST64/KORVEX.dll) exports besides "main".
//
// korvexReferenceRequestEdit(effect, index, value) queues an edit as if a user had moved a
// control in the editor. At the next effEditIdle (19) the plug-in sets parameter `index` to
// `value` (clamped to [0, 1]) and reports, in this order and on the idle caller's thread:
//   audioMasterBeginEdit (43, index), audioMasterAutomate (0, index, opt = value),
//   audioMasterEndEdit (44, index).
// A later request replaces one not yet performed; an unknown index is dropped at idle. The
// editor need not be open. Reach it with dlsym on the library the host loaded.
#pragma once

#include <cstdint>

#include "vst/vst_types.h"

extern "C" void korvexReferenceRequestEdit(AEffect* effect, int32_t index, float value);
using KorvexReferenceRequestEditProc = void (*)(AEffect*, int32_t, float);
