// An effect descriptor as the description code sees it; AAX_VEffectDescriptor forwards it to the host.
#pragma once

#include <cstdint>

class AAX_IComponentDescriptor;
class AAX_IPropertyMap;

class AAX_IEffectDescriptor {
public:
    virtual ~AAX_IEffectDescriptor() = default;                                   // 0 deletes what it made
    virtual AAX_IComponentDescriptor* CreateComponentDescriptor() = 0;            // 1 [main] owned by this descriptor
    virtual int32_t AttachComponent(AAX_IComponentDescriptor* component) = 0;     // 2 [main] entry 3: hands over its contents
    virtual int32_t AddEffectName(const char* name) = 0;                          // 3 [main] entry 4
    virtual int32_t AddCategoryBits(uint32_t bits) = 0;                           // 4 [main] entry 5
    virtual int32_t Slot5(uint32_t value, const char* text) = 0;                  // 5 entry 6, kept for the slot order
    virtual int32_t AddFactoryCallback(void* function, int32_t kind) = 0;         // 6 [main] entry 7
    virtual AAX_IPropertyMap* CreatePropertyMap() = 0;                            // 7 [main] owned by this descriptor
    virtual int32_t Slot8(AAX_IPropertyMap* properties) = 0;                      // 8 entry 8, kept for the slot order
    virtual int32_t AddResourceEntry(int32_t kind, const char* text) = 0;         // 9 [main] entry 9
    virtual int32_t Slot10(int32_t a, const char* b) = 0;                         // 10 entry 10, kept for the slot order
    // 11 second interface entry 11, kept for the slot order; -20009 without it
    virtual int32_t Slot11(int32_t a, int32_t b, int32_t c, const char* d) = 0;
};
