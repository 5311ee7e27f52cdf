// AAX_VPropertyMap: each slot forwards to its host entry or answers the documented default.
#include "host/aax_vproperty_map.h"

#include "acf/result_codes.h"
#include "host/host_component.h"
#include "host/host_iids.h"

AAX_VPropertyMap::AAX_VPropertyMap(IACFUnknown* hostUnknown) {
    propertyMap.adopt(createHostComponent(hostUnknown, CLSID_HostPropertyMap, IID_HostPropertyMap));
    propertyMapV2.adopt(queryHostInterface(propertyMap.get(), IID_HostPropertyMapV2));
}

AAX_VPropertyMap::~AAX_VPropertyMap() {
    propertyMapV2.reset();
    propertyMap.reset();
}

uint8_t AAX_VPropertyMap::GetProperty(int32_t id, int32_t* value) {
    if (!propertyMap) return 0;
    return propertyMap->GetProperty(id, value);
}

int32_t AAX_VPropertyMap::AddProperty(int32_t id, int32_t value) {
    if (!propertyMap) return kResultNotImplemented;
    return propertyMap->AddProperty(id, value);
}

int32_t AAX_VPropertyMap::RemoveProperty(int32_t id) {
    if (!propertyMap) return kResultNotImplemented;
    return propertyMap->RemoveProperty(id);
}

int32_t AAX_VPropertyMap::Slot4(int32_t id, const void* values, uint32_t count) {
    if (!propertyMapV2) return kResultUnsupported;
    return propertyMapV2->Entry6(id, values, count);
}

uint8_t AAX_VPropertyMap::Slot5(int32_t id, void* values, uint32_t count) {
    if (!propertyMapV2) return 0;
    return propertyMapV2->Entry7(id, values, count);
}

IACFUnknown* AAX_VPropertyMap::hostInterfaceOf(AAX_IPropertyMap* map) {
    // Only our own proxies carry a host interface; any other implementation reaches the host as null.
    auto* proxy = dynamic_cast<AAX_VPropertyMap*>(map);
    return proxy ? proxy->hostInterface() : nullptr;
}
