// Proxy onto a host effect descriptor; owns the component-descriptor and property-map proxies it makes.
#pragma once

#include <memory>
#include <set>

#include "acf/acf_types.h"
#include "host/aax_icomponent_descriptor.h"
#include "host/aax_ieffect_descriptor.h"
#include "host/aax_vcomponent_descriptor.h"
#include "host/aax_vproperty_map.h"
#include "host/host_interfaces.h"
#include "host/host_reference.h"

class AAX_VEffectDescriptor final : public AAX_IEffectDescriptor {
public:
    // Keeps one reference to hostUnknown for the descriptors and maps it will make.
    explicit AAX_VEffectDescriptor(IACFUnknown* hostUnknown);
    AAX_VEffectDescriptor(const AAX_VEffectDescriptor&) = delete;
    AAX_VEffectDescriptor& operator=(const AAX_VEffectDescriptor&) = delete;
    ~AAX_VEffectDescriptor() override;

    AAX_IComponentDescriptor* CreateComponentDescriptor() override;
    int32_t AttachComponent(AAX_IComponentDescriptor* component) override;
    int32_t AddEffectName(const char* name) override;
    int32_t AddCategoryBits(uint32_t bits) override;
    int32_t Slot5(uint32_t value, const char* text) override;
    int32_t AddFactoryCallback(void* function, int32_t kind) override;
    AAX_IPropertyMap* CreatePropertyMap() override;
    int32_t Slot8(AAX_IPropertyMap* properties) override;
    int32_t AddResourceEntry(int32_t kind, const char* text) override;
    int32_t Slot10(int32_t a, const char* b) override;
    int32_t Slot11(int32_t a, int32_t b, int32_t c, const char* d) override;

    IHostEffectDescriptor* hostInterface() const { return descriptor.get(); }
    static IACFUnknown* hostInterfaceOf(AAX_IEffectDescriptor* effect);

private:
    HostReference<IACFUnknown> hostUnknown;
    HostReference<IHostEffectDescriptor> descriptor;
    HostReference<IHostEffectDescriptorV2> descriptorV2;
    std::set<std::unique_ptr<AAX_VComponentDescriptor>> componentDescriptors;
    std::set<std::unique_ptr<AAX_VPropertyMap>> propertyMaps;
};
