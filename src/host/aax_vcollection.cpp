// AAX_VCollection: slot n forwards to its host entry; see the interface for the mapping.
#include "host/aax_vcollection.h"

#include <new>

#include "acf/result_codes.h"
#include "host/host_component.h"
#include "host/host_iids.h"

AAX_VCollection::AAX_VCollection(IACFUnknown* unknown) {
    hostUnknown.hold(unknown);
    collection.adopt(createHostComponent(unknown, CLSID_HostCollection, IID_HostCollection));
}

AAX_VCollection::~AAX_VCollection() {
    effectDescriptors.clear();
    propertyMaps.clear();
    collection.reset();
    hostUnknown.reset();
}

AAX_IEffectDescriptor* AAX_VCollection::CreateEffectDescriptor() {
    std::unique_ptr<AAX_VEffectDescriptor> effect(new (std::nothrow) AAX_VEffectDescriptor(hostUnknown.get()));
    if (!effect) return nullptr;
    AAX_VEffectDescriptor* made = effect.get();
    effectDescriptors.insert(std::move(effect));
    return made;
}

int32_t AAX_VCollection::RegisterEffect(const char* effectId, AAX_IEffectDescriptor* effect) {
    if (!collection) return kResultNotImplemented;
    // A descriptor the host never created has nothing to register: refuse rather than hand over null.
    IACFUnknown* hostEffect = AAX_VEffectDescriptor::hostInterfaceOf(effect);
    if (!hostEffect) return kResultNotImplemented;
    return collection->RegisterEffect(effectId, hostEffect);
}

int32_t AAX_VCollection::SetVendorName(const char* name) {
    if (!collection) return kResultNotImplemented;
    return collection->SetManufacturerName(name);
}

int32_t AAX_VCollection::AddBundleName(const char* name) {
    if (!collection) return kResultNotImplemented;
    return collection->AddPackageName(name);
}

int32_t AAX_VCollection::SetBundleVersion(uint32_t version) {
    if (!collection) return kResultNotImplemented;
    return collection->SetPackageVersion(version);
}

AAX_IPropertyMap* AAX_VCollection::CreatePropertyMap() {
    std::unique_ptr<AAX_VPropertyMap> map(new (std::nothrow) AAX_VPropertyMap(hostUnknown.get()));
    if (!map) return nullptr;
    AAX_VPropertyMap* made = map.get();
    propertyMaps.insert(std::move(map));
    return made;
}

int32_t AAX_VCollection::SetProperties(AAX_IPropertyMap* properties) {
    if (!collection) return kResultNotImplemented;
    return collection->SetProperties(AAX_VPropertyMap::hostInterfaceOf(properties));
}
