// Entry from the plug-in into the module; nothing may escape back into its C code.
#include "vst/host_callback.h"

#include <cstring>

#include "vst/vst_callback.h"

static_assert(sizeof kHostVendorString == 17, "the vendor string and its terminator");

VstIntPtr HostCallback(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                       float opt) {
    switch (opcode) {
    case audioMasterVersion:
        return kHostVersion;
    case audioMasterCurrentId:
        return kHostId;
    case audioMasterGetVendorString:
        if (ptr) std::memcpy(ptr, kHostVendorString, sizeof kHostVendorString);
        return 0;
    case audioMasterAutomate:
    case audioMasterGetTime:
    case audioMasterSizeWindow:
    case audioMasterGetSampleRate:
    case audioMasterUpdateDisplay:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
    case audioMasterIOChanged:
        break;
    default:
        return 0;
    }
    if (!effect || !effect->user) return 0;
    try {
        return static_cast<VstCallBack*>(effect->user)->HandleHostRequest(effect, opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;  // a parameter or editor that throws must not unwind through the plug-in
    }
}
