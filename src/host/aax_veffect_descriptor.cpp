// AAX_VEffectDescriptor: slot n forwards to its host entry; see the interface for the mapping.
#include "host/aax_veffect_descriptor.h"

#include <new>

#include "acf/result_codes.h"
#include "host/host_component.h"
#include "host/host_iids.h"

AAX_VEffectDescriptor::AAX_VEffectDescriptor(IACFUnknown* unknown) {
    hostUnknown.hold(unknown);
    descriptor.adopt(createHostComponent(unknown, CLSID_HostEffectDescriptor, IID_HostEffectDescriptor));
    descriptorV2.adopt(queryHostInterface(descriptor.get(), IID_HostEffectDescriptorV2));
}

AAX_VEffectDescriptor::~AAX_VEffectDescriptor() {
    componentDescriptors.clear();
    propertyMaps.clear();
    descriptorV2.reset();
    descriptor.reset();
    hostUnknown.reset();
}

AAX_IComponentDescriptor* AAX_VEffectDescriptor::CreateComponentDescriptor() {
    std::unique_ptr<AAX_VComponentDescriptor> component(new (std::nothrow) AAX_VComponentDescriptor(hostUnknown.get()));
    if (!component) return nullptr;
    AAX_VComponentDescriptor* made = component.get();
    componentDescriptors.insert(std::move(component));
    return made;
}

int32_t AAX_VEffectDescriptor::AttachComponent(AAX_IComponentDescriptor* component) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddComponent(AAX_VComponentDescriptor::hostInterfaceOf(component));
}

int32_t AAX_VEffectDescriptor::AddEffectName(const char* name) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddName(name);
}

int32_t AAX_VEffectDescriptor::AddCategoryBits(uint32_t bits) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddCategory(bits);
}

int32_t AAX_VEffectDescriptor::Slot5(uint32_t value, const char* text) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry6(value, text);
}

int32_t AAX_VEffectDescriptor::AddFactoryCallback(void* function, int32_t kind) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddProcPtr(function, kind);
}

AAX_IPropertyMap* AAX_VEffectDescriptor::CreatePropertyMap() {
    std::unique_ptr<AAX_VPropertyMap> map(new (std::nothrow) AAX_VPropertyMap(hostUnknown.get()));
    if (!map) return nullptr;
    AAX_VPropertyMap* made = map.get();
    propertyMaps.insert(std::move(map));
    return made;
}

int32_t AAX_VEffectDescriptor::Slot8(AAX_IPropertyMap* properties) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry8(AAX_VPropertyMap::hostInterfaceOf(properties));
}

int32_t AAX_VEffectDescriptor::AddResourceEntry(int32_t kind, const char* text) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddResourceInfo(kind, text);
}

int32_t AAX_VEffectDescriptor::Slot10(int32_t a, const char* b) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry10(a, b);
}

int32_t AAX_VEffectDescriptor::Slot11(int32_t a, int32_t b, int32_t c, const char* d) {
    if (!descriptorV2) return kResultUnsupported;
    return descriptorV2->Entry11(a, b, c, d);
}

IACFUnknown* AAX_VEffectDescriptor::hostInterfaceOf(AAX_IEffectDescriptor* effect) {
    auto* proxy = dynamic_cast<AAX_VEffectDescriptor*>(effect);
    return proxy ? proxy->hostInterface() : nullptr;
}
