// The transport as C++ code sees it: the host's object reached from the render context,
// and the module's own proxy. Slot n is entry n + 2 of the host's ACF transport.
#pragma once

#include <cstdint>

class AAX_ITransport {
public:
    virtual ~AAX_ITransport() = default;                                           // 0
    virtual int32_t GetTempo(double* tempo) const = 0;                             // 1 [any]
    virtual int32_t GetMeter(int32_t* numerator, int32_t* denominator) const = 0;  // 2 [any]
    virtual int32_t IsPlaying(uint8_t* playing) const = 0;                         // 3 [any]
    virtual int32_t Slot4(int64_t* a) const = 0;                                   // 4 kept for the slot order
    virtual int32_t Slot5(int64_t* a) const = 0;                                   // 5 kept for the slot order
    virtual int32_t GetSampleLocation(int64_t* location) const = 0;                // 6 [any]
    virtual int32_t Slot7(int64_t* a, int64_t b) const = 0;                        // 7 kept for the slot order
    // 8 [any] bar/beat position of a sample location, 960000 ticks per beat
    virtual int32_t GetBarBeatAtLocation(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t location) const = 0;
    virtual int32_t Slot9(int32_t* a, int64_t b) const = 0;                        // 9 kept for the slot order
    virtual int32_t Slot10(int64_t* a, int32_t b) const = 0;                       // 10 kept for the slot order
    virtual int32_t Slot11(int64_t* a, int64_t* b) const = 0;                      // 11 kept for the slot order
    virtual int32_t Slot12(uint8_t* a) const = 0;                                  // 12 kept for the slot order
    virtual int32_t Slot13(int64_t* a) const = 0;                                  // 13 kept for the slot order
};
