// Start-up, shut-down and the unload decision.
#include "module/module_lifetime.h"

#include <new>
#include <utility>

#include "acf/cacf_unknown.h"
#include "acf/result_codes.h"
#include "host/aax_vhost_services.h"

AAX_VHostServices* gHostServices = nullptr;

int32_t startModule(IACFUnknown* host) {
    if (!gHostServices && host) {
        // A proxy constructor that throws leaves gHostServices null and its references released.
        gHostServices = new (std::nothrow) AAX_VHostServices(host);
    } else if (gHostServices && !host) {
        delete std::exchange(gHostServices, nullptr);
    }
    return kResultSuccess;
}

int32_t shutdownModule() {
    delete std::exchange(gHostServices, nullptr);
    return kResultSuccess;
}

int32_t liveObjectCount() { return gObjectCount.load(std::memory_order_relaxed); }
