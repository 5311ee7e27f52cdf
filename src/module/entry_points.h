// The seven entry points a host finds by name, and the pointer types it calls them through.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"

#if defined(_WIN32)
#define KORVEX_EXPORT  // KORVEX.def names the exports
#else
#define KORVEX_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
// [main] Describes the effect; 0 and one reference to the host collection's plug-in definition in
// *definition, -20004 when a host object is missing (out untouched), 0x8000FFFF on an exception.
KORVEX_EXPORT int32_t ACFRegisterPlugin(IACFUnknown* host, void** definition) noexcept;
// [main] No further components: null in *component and 0.
KORVEX_EXPORT int32_t ACFRegisterComponent(IACFUnknown* host, uint32_t index, void** component) noexcept;
// [main] No class factories: null in *factory and -20009.
KORVEX_EXPORT int32_t ACFGetClassFactory(IACFUnknown* host, const GUID& classId, const GUID& iid,
                                         void** factory) noexcept;
// [main] Live ACF objects of the module; 0 means it may be unloaded.
KORVEX_EXPORT int32_t ACFCanUnloadNow(IACFUnknown* host) noexcept;
// [main] Keeps a host-services proxy; a null host after a start-up drops it. 0, or 0x8000FFFF.
KORVEX_EXPORT int32_t ACFStartup(IACFUnknown* host) noexcept;
// [main] Drops the host-services proxy, if any. 0, or 0x8000FFFF.
KORVEX_EXPORT int32_t ACFShutdown(IACFUnknown* host) noexcept;
// [any] The SDK version the module was built against, and 0.
KORVEX_EXPORT int32_t ACFGetSDKVersion(uint64_t* version) noexcept;
}

// Every out-parameter above: a null pointer gets 0x80000005 and nothing else happens.
using ACFRegisterPluginProc = int32_t (*)(IACFUnknown* host, void** definition);
using ACFRegisterComponentProc = int32_t (*)(IACFUnknown* host, uint32_t index, void** component);
using ACFGetClassFactoryProc = int32_t (*)(IACFUnknown* host, const GUID& classId, const GUID& iid, void** factory);
using ACFCanUnloadNowProc = int32_t (*)(IACFUnknown* host);
using ACFStartupProc = int32_t (*)(IACFUnknown* host);
using ACFShutdownProc = int32_t (*)(IACFUnknown* host);
using ACFGetSDKVersionProc = int32_t (*)(uint64_t* version);
