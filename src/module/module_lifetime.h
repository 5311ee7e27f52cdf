// Module-wide state between start-up and shut-down, and the unload decision.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"

class AAX_VHostServices;

// The module's one host-services proxy: null until start-up with a host, owned by the module.
extern AAX_VHostServices* gHostServices;

// A first start-up with a host keeps a proxy; a start-up with null drops it; otherwise nothing changes.
int32_t startModule(IACFUnknown* host);
// Drops the proxy, if any; always 0.
int32_t shutdownModule();
// Live ACF objects; 0 when the module may be unloaded.
int32_t liveObjectCount();
