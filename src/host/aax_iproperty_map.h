// A property map as the module's description code sees it; AAX_VPropertyMap forwards it to the host.
#pragma once

#include <cstdint>

class AAX_IPropertyMap {
public:
    virtual ~AAX_IPropertyMap() = default;                        // 0 releases both host interfaces
    virtual uint8_t GetProperty(int32_t id, int32_t* value) = 0;  // 1 [main] 1 when held; 0 without a host map
    virtual int32_t AddProperty(int32_t id, int32_t value) = 0;   // 2 [main] host entry 4
    virtual int32_t RemoveProperty(int32_t id) = 0;               // 3 [main] host entry 5
    // Second-interface operations, kept for the slot order.
    virtual int32_t Slot4(int32_t id, const void* values, uint32_t count) = 0;  // 4 entry 6; -20009 without it
    virtual uint8_t Slot5(int32_t id, void* values, uint32_t count) = 0;        // 5 entry 7; 0 without it
};
