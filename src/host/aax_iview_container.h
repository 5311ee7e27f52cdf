// The host's view container as editor code sees it (proxy side). Slot n is host entry n + 2.
#pragma once

#include <cstdint>

class AAX_IViewContainer {
public:
    virtual ~AAX_IViewContainer() = default;                         // 0
    virtual int32_t GetContainerKind() = 0;                          // 1 [main] 3 = a native window handle; 0 none
    virtual void* GetNativeView() = 0;                               // 2 [main] host-owned parent view; null none
    // kept for the slot order: -20009 without a host (slot 4: 0)
    virtual int32_t Slot3(uint32_t* a) = 0;                          // 3
    virtual int32_t Slot4(const void* a, void* b) = 0;               // 4
    virtual int32_t Slot5(const void* a, void* b) = 0;               // 5
    virtual int32_t Slot6(const char* a, uint32_t b) = 0;            // 6
    virtual int32_t Slot7(const char* a) = 0;                        // 7
};
