// Creation of host objects through the host's component factory.
#include "host/host_component.h"

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "host/host_interfaces.h"
#include "host/host_reference.h"

void* createHostComponent(IACFUnknown* hostUnknown, const GUID& classId, const GUID& iid) {
    if (!hostUnknown) return nullptr;
    void* answered = nullptr;
    const int32_t queried = hostUnknown->QueryInterface(IID_IACFComponentFactory, &answered);
    if (queried != kResultSuccess) return nullptr;
    if (!answered) throw AcfNullInterfaceError{};

    HostReference<IACFComponentFactory> factory;
    factory.adopt(answered);
    void* created = nullptr;
    const int32_t result = factory->CreateComponent(classId, nullptr, iid, &created);
    factory.reset();
    if (result == kResultSuccess && !created) throw AcfNullInterfaceError{};
    // A pointer that came with an error is not trusted: the field stays null on every failure.
    return result == kResultSuccess ? created : nullptr;
}

void* queryHostInterface(IACFUnknown* object, const GUID& iid) {
    if (!object) return nullptr;
    void* answered = nullptr;
    const int32_t result = object->QueryInterface(iid, &answered);
    if (result == kResultSuccess && !answered) throw AcfNullInterfaceError{};
    return result == kResultSuccess ? answered : nullptr;
}
