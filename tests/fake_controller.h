// A controller proxy stand-in for unit tests: a settable sample rate that may also be refused.
#pragma once

#include "acf/result_codes.h"
#include "host/aax_icontroller.h"

namespace testing_support {

class FakeController : public AAX_IController {
public:
    int32_t GetSampleRate(float* out) override {
        if (result == kResultSuccess) *out = rate;
        return result;
    }
    int32_t Slot1(int32_t*) override { return kResultNotImplemented; }
    int32_t GetInputStemFormat(int32_t*) override { return kResultNotImplemented; }
    int32_t GetOutputStemFormat(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot5(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot6(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot7(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot8(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot9(int32_t*) override { return kResultNotImplemented; }
    int32_t PostPacket(uint32_t, const void*, uint32_t) override { return kResultNotImplemented; }
    int32_t Slot11(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot12(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot13(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot14(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot15(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot16(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot17(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot18(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot19(int32_t*) override { return kResultNotImplemented; }
    int32_t Slot20(int64_t*) override { return kResultNotImplemented; }
    int32_t Slot21(int32_t*) override { return kResultNotImplemented; }

    float rate = 48000.0f;
    int32_t result = kResultSuccess;
};

}  // namespace testing_support
