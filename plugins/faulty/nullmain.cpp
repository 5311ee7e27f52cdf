// A VST library whose "main" refuses to create an instance (answers null).
#include "plugins/vst_entry.h"

AEffect* korvexVstMain(audioMasterCallback host) {
    // Asks the host first, as real plug-ins do, so a host must survive the call before the null.
    if (host) host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return nullptr;
}
