// The host's automation service as parameters see it. Slot n reaches host entry n + 2.
#pragma once

#include <cstdint>

class AAX_IAutomationDelegate {
public:
    virtual ~AAX_IAutomationDelegate() = default;                                  // 0
    virtual int32_t RegisterControl(const char* id) = 0;                           // 1 [main]
    virtual int32_t UnregisterControl(const char* id) = 0;                         // 2 [main]
    virtual int32_t PostSetValueRequest(const char* id, double normalized) = 0;    // 3 [any] host answers later
    virtual int32_t PostCurrentValue(const char* id, double normalized) = 0;       // 4 [any]
    virtual int32_t PostTouchRequest(const char* id) = 0;                          // 5 [any]
    virtual int32_t PostReleaseRequest(const char* id) = 0;                        // 6 [any]
    virtual int32_t Slot7(const char* id, uint32_t* a) = 0;                        // 7 kept for the slot order
};
