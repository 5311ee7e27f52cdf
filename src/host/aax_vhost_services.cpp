// AAX_VHostServices: two forwarding slots; the module calls neither.
#include "host/aax_vhost_services.h"

#include "acf/result_codes.h"
#include "host/host_component.h"
#include "host/host_iids.h"

AAX_VHostServices::AAX_VHostServices(IACFUnknown* hostUnknown) {
    services.adopt(createHostComponent(hostUnknown, CLSID_HostServices, IID_HostServices));
}

int32_t AAX_VHostServices::Slot1(const char* a, const char* b, int32_t c) {
    if (!services) return kResultNotImplemented;
    return services->Entry3(a, b, c);
}

int32_t AAX_VHostServices::Slot2(const char* text) {
    if (!services) return kResultNotImplemented;
    return services->Entry4(text);
}
