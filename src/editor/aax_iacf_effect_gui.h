// The editor object as the host calls it: slots 0-12. Entry N is vtable slot N.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"

struct AAX_Point {
    float vert;
    float horz;
};

struct AAX_Rect {
    float top;
    float left;
    float width;
    float height;
};

class AAX_IACFEffectGUI : public IACFUnknown {
public:
    virtual int32_t Initialize(IACFUnknown* hostUnknown) = 0;        // 3 [ui] -20011 without an unknown
    virtual int32_t Uninitialize() = 0;                              // 4 [ui]
    virtual int32_t Slot5(const void* a) = 0;                        // 5 returns 0
    virtual int32_t AttachViewContainer(IACFUnknown* container) = 0; // 6 [ui] null detaches
    virtual int32_t QueryViewSize(AAX_Point* size) = 0;              // 7 [ui]
    virtual int32_t RedrawRect(AAX_Rect* rect) = 0;                  // 8 [ui]
    virtual int32_t TimerTick() = 0;                                 // 9 [ui]
    virtual int32_t ParameterChanged(const char* id) = 0;            // 10 [ui]
    virtual int32_t Slot11(const void* a) = 0;                       // 11 returns -20004
    virtual int32_t Slot12(const void* a) = 0;                       // 12 returns 0

protected:
    ~AAX_IACFEffectGUI() = default;
};
