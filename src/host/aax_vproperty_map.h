// Proxy onto a host property map (and its second interface when the host offers one).
#pragma once

#include "acf/acf_types.h"
#include "host/aax_iproperty_map.h"
#include "host/host_interfaces.h"
#include "host/host_reference.h"

class AAX_VPropertyMap final : public AAX_IPropertyMap {
public:
    // Creates the host map through hostUnknown's component factory; a refusal leaves a proxy
    // that answers its defaults.
    explicit AAX_VPropertyMap(IACFUnknown* hostUnknown);
    AAX_VPropertyMap(const AAX_VPropertyMap&) = delete;
    AAX_VPropertyMap& operator=(const AAX_VPropertyMap&) = delete;
    ~AAX_VPropertyMap() override;

    uint8_t GetProperty(int32_t id, int32_t* value) override;
    int32_t AddProperty(int32_t id, int32_t value) override;
    int32_t RemoveProperty(int32_t id) override;
    int32_t Slot4(int32_t id, const void* values, uint32_t count) override;
    uint8_t Slot5(int32_t id, void* values, uint32_t count) override;

    IHostPropertyMap* hostInterface() const { return propertyMap.get(); }
    // What a host entry receives for a map argument: the proxy's host interface, or null.
    static IACFUnknown* hostInterfaceOf(AAX_IPropertyMap* map);

private:
    HostReference<IHostPropertyMap> propertyMap;
    HostReference<IHostPropertyMapV2> propertyMapV2;
};
