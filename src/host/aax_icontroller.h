// The host controller as module code sees it (proxy side). Slot order differs from the
// host's from slot 11 on; AAX_VController maps each slot to its host entry.
#pragma once

#include <cstdint>

class AAX_IController {
public:
    virtual ~AAX_IController() = default;                                               // 0
    virtual int32_t Slot1(int32_t* a) = 0;                                              // 1 kept for the slot order
    virtual int32_t GetSampleRate(float* rate) = 0;                                     // 2 [any] 0 and the rate
    virtual int32_t GetInputStemFormat(int32_t* format) = 0;                            // 3 [any]
    virtual int32_t GetOutputStemFormat(int32_t* format) = 0;                           // 4 [any]
    virtual int32_t Slot5(int32_t* a) = 0;                                              // 5 kept for the slot order
    virtual int32_t Slot6(int32_t* a) = 0;                                              // 6 kept for the slot order
    virtual int32_t Slot7(int32_t* a) = 0;                                              // 7 kept for the slot order
    virtual int32_t Slot8(int32_t* a) = 0;                                              // 8 kept for the slot order
    virtual int32_t Slot9(int32_t* a) = 0;                                              // 9 kept for the slot order
    virtual int32_t PostPacket(uint32_t field, const void* data, uint32_t size) = 0;    // 10 [any] host copies the bytes
    virtual int32_t Slot11(int32_t* a) = 0;                                             // 11 kept for the slot order
    virtual int32_t Slot12(int32_t* a) = 0;                                             // 12 kept for the slot order
    virtual int32_t Slot13(int32_t* a) = 0;                                             // 13 kept for the slot order
    virtual int32_t Slot14(int32_t* a) = 0;                                             // 14 kept for the slot order
    virtual int32_t Slot15(int32_t* a) = 0;                                             // 15 kept for the slot order
    virtual int32_t Slot16(int32_t* a) = 0;                                             // 16 kept for the slot order
    virtual int32_t Slot17(int32_t* a) = 0;                                             // 17 kept for the slot order
    virtual int32_t Slot18(int32_t* a) = 0;                                             // 18 kept for the slot order
    virtual int32_t Slot19(int32_t* a) = 0;                                             // 19 kept for the slot order
    virtual int32_t Slot20(int64_t* a) = 0;                                             // 20 kept for the slot order
    virtual int32_t Slot21(int32_t* a) = 0;                                             // 21 kept for the slot order
};
