// The host's services as the module sees them; the module keeps one proxy from start-up to shut-down.
#pragma once

#include <cstdint>

class AAX_IHostServices {
public:
    virtual ~AAX_IHostServices() = default;                           // 0 releases the host interface
    // Kept for the slot order; -20004 without a host interface.
    virtual int32_t Slot1(const char* a, const char* b, int32_t c) = 0;  // 1 entry 3
    virtual int32_t Slot2(const char* text) = 0;                         // 2 entry 4
};
