// Proxy onto a host component descriptor; owns the property-map proxies it makes.
#pragma once

#include <memory>
#include <set>

#include "acf/acf_types.h"
#include "host/aax_icomponent_descriptor.h"
#include "host/aax_vproperty_map.h"
#include "host/host_interfaces.h"
#include "host/host_reference.h"

class AAX_VComponentDescriptor final : public AAX_IComponentDescriptor {
public:
    // Keeps one reference to hostUnknown for the maps it will make.
    explicit AAX_VComponentDescriptor(IACFUnknown* hostUnknown);
    AAX_VComponentDescriptor(const AAX_VComponentDescriptor&) = delete;
    AAX_VComponentDescriptor& operator=(const AAX_VComponentDescriptor&) = delete;
    ~AAX_VComponentDescriptor() override;

    int32_t Clear() override;
    int32_t AddAudioInputField(uint32_t field) override;
    int32_t AddAudioOutputField(uint32_t field) override;
    int32_t AddBufferLengthField(uint32_t field) override;
    int32_t Slot5(uint32_t field) override;
    int32_t Slot6(uint32_t field) override;
    int32_t ComponentOperation7(uint32_t field) override;
    int32_t AddDataPortField(uint32_t field, uint32_t size, int32_t kind) override;
    int32_t Slot9(uint32_t a, uint32_t b) override;
    int32_t Slot10(uint32_t a, uint32_t b) override;
    int32_t Slot11(uint32_t a, uint32_t b) override;
    int32_t Slot12(uint32_t a, uint32_t b) override;
    int32_t Slot13(uint32_t a, uint32_t b) override;
    int32_t AddMidiNodeField(uint32_t field, int32_t nodeKind, const char* name, uint32_t channelMask) override;
    int32_t Slot15(uint32_t a) override;
    AAX_IPropertyMap* CreatePropertyMap() override;
    AAX_IPropertyMap* CopyPropertyMap(AAX_IPropertyMap* source) override;
    int32_t AddRenderCallback(void* callback, AAX_IPropertyMap* properties, void* a, void* b, void* c) override;
    int32_t Slot19(void* a, AAX_IPropertyMap* properties) override;

    IHostComponentDescriptor* hostInterface() const { return descriptor.get(); }
    static IACFUnknown* hostInterfaceOf(AAX_IComponentDescriptor* component);

private:
    HostReference<IACFUnknown> hostUnknown;
    HostReference<IHostComponentDescriptor> descriptor;
    HostReference<IHostComponentDescriptorV2> descriptorV2;
    std::set<std::unique_ptr<AAX_VPropertyMap>> propertyMaps;
};
