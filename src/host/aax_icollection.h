// The plug-in collection as the registration code sees it; AAX_VCollection forwards it to the host.
#pragma once

#include <cstdint>

class AAX_IEffectDescriptor;
class AAX_IPropertyMap;

class AAX_ICollection {
public:
    virtual ~AAX_ICollection() = default;                                              // 0 deletes what it made
    virtual AAX_IEffectDescriptor* CreateEffectDescriptor() = 0;                       // 1 [main] owned by the collection
    virtual int32_t RegisterEffect(const char* effectId, AAX_IEffectDescriptor* effect) = 0;  // 2 [main] entry 7; -20004 without a descriptor
    virtual int32_t SetVendorName(const char* name) = 0;                               // 3 [main] entry 8
    virtual int32_t AddBundleName(const char* name) = 0;                               // 4 [main] entry 9
    virtual int32_t SetBundleVersion(uint32_t version) = 0;                            // 5 [main] entry 10
    virtual AAX_IPropertyMap* CreatePropertyMap() = 0;                                 // 6 [main] owned by the collection
    virtual int32_t SetProperties(AAX_IPropertyMap* properties) = 0;                   // 7 [main] entry 11
};
