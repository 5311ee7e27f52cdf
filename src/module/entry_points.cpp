// The seven exported entry points: thin noexcept wrappers, and the module's only catch-alls.
#include "module/entry_points.h"

#include "acf/result_codes.h"
#include "module/module_lifetime.h"
#include "module/registration.h"

extern "C" KORVEX_EXPORT int32_t ACFRegisterPlugin(IACFUnknown* host, void** definition) noexcept {
    try {
        return registerPlugin(host, definition);
    } catch (...) {
        return kAcfUnexpected;  // nothing escapes into the host
    }
}

extern "C" KORVEX_EXPORT int32_t ACFRegisterComponent(IACFUnknown* host, uint32_t index, void** component) noexcept {
    return registerComponent(host, index, component);
}

extern "C" KORVEX_EXPORT int32_t ACFGetClassFactory(IACFUnknown* host, const GUID& classId, const GUID& iid,
                                                    void** factory) noexcept {
    return classFactory(host, classId, iid, factory);
}

extern "C" KORVEX_EXPORT int32_t ACFCanUnloadNow(IACFUnknown*) noexcept { return liveObjectCount(); }

extern "C" KORVEX_EXPORT int32_t ACFStartup(IACFUnknown* host) noexcept {
    try {
        return startModule(host);
    } catch (...) {
        return kAcfUnexpected;
    }
}

extern "C" KORVEX_EXPORT int32_t ACFShutdown(IACFUnknown*) noexcept {
    try {
        return shutdownModule();
    } catch (...) {
        return kAcfUnexpected;
    }
}

extern "C" KORVEX_EXPORT int32_t ACFGetSDKVersion(uint64_t* version) noexcept { return sdkVersion(version); }
