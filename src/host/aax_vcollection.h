// Proxy onto the host's plug-in collection; owns the effect-descriptor and property-map proxies it makes.
#pragma once

#include <memory>
#include <set>

#include "acf/acf_types.h"
#include "host/aax_icollection.h"
#include "host/aax_veffect_descriptor.h"
#include "host/aax_vproperty_map.h"
#include "host/host_interfaces.h"
#include "host/host_reference.h"

class AAX_VCollection final : public AAX_ICollection {
public:
    // Keeps one reference to hostUnknown for the descriptors and maps it will make.
    explicit AAX_VCollection(IACFUnknown* hostUnknown);
    AAX_VCollection(const AAX_VCollection&) = delete;
    AAX_VCollection& operator=(const AAX_VCollection&) = delete;
    ~AAX_VCollection() override;

    AAX_IEffectDescriptor* CreateEffectDescriptor() override;
    int32_t RegisterEffect(const char* effectId, AAX_IEffectDescriptor* effect) override;
    int32_t SetVendorName(const char* name) override;
    int32_t AddBundleName(const char* name) override;
    int32_t SetBundleVersion(uint32_t version) override;
    AAX_IPropertyMap* CreatePropertyMap() override;
    int32_t SetProperties(AAX_IPropertyMap* properties) override;

    // The host collection itself; registration asks it for the plug-in definition.
    IHostCollection* hostInterface() const { return collection.get(); }

private:
    HostReference<IACFUnknown> hostUnknown;
    HostReference<IHostCollection> collection;
    std::set<std::unique_ptr<AAX_VEffectDescriptor>> effectDescriptors;
    std::set<std::unique_ptr<AAX_VPropertyMap>> propertyMaps;
};
