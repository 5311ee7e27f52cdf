// The module's view of the host controller: forwards each slot to its host entry, or a default.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"
#include "host/aax_icontroller.h"
#include "host/host_interfaces.h"

class AAX_VController : public AAX_IController {
public:
    // Asks the unknown (null is fine) for both controller versions; keeps what it answers.
    explicit AAX_VController(IACFUnknown* hostUnknown);
    ~AAX_VController() override;
    AAX_VController(const AAX_VController&) = delete;
    AAX_VController& operator=(const AAX_VController&) = delete;

    int32_t Slot1(int32_t* a) override;
    int32_t GetSampleRate(float* rate) override;
    int32_t GetInputStemFormat(int32_t* format) override;
    int32_t GetOutputStemFormat(int32_t* format) override;
    int32_t Slot5(int32_t* a) override;
    int32_t Slot6(int32_t* a) override;
    int32_t Slot7(int32_t* a) override;
    int32_t Slot8(int32_t* a) override;
    int32_t Slot9(int32_t* a) override;
    int32_t PostPacket(uint32_t field, const void* data, uint32_t size) override;
    int32_t Slot11(int32_t* a) override;
    int32_t Slot12(int32_t* a) override;
    int32_t Slot13(int32_t* a) override;
    int32_t Slot14(int32_t* a) override;
    int32_t Slot15(int32_t* a) override;
    int32_t Slot16(int32_t* a) override;
    int32_t Slot17(int32_t* a) override;
    int32_t Slot18(int32_t* a) override;
    int32_t Slot19(int32_t* a) override;
    int32_t Slot20(int64_t* a) override;
    int32_t Slot21(int32_t* a) override;

private:
    IHostController* controller = nullptr;
    IHostControllerV2* controllerV2 = nullptr;
};
