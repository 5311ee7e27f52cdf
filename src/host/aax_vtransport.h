// The module's view of the host transport: slot n reaches host entry n + 2, or answers -20004.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"
#include "host/aax_transport.h"
#include "host/host_interfaces.h"

class AAX_VTransport : public AAX_ITransport {
public:
    // Asks the unknown (null is fine) for both transport versions; keeps what it answers.
    explicit AAX_VTransport(IACFUnknown* hostUnknown);
    ~AAX_VTransport() override;
    AAX_VTransport(const AAX_VTransport&) = delete;
    AAX_VTransport& operator=(const AAX_VTransport&) = delete;

    int32_t GetTempo(double* tempo) const override;
    int32_t GetMeter(int32_t* numerator, int32_t* denominator) const override;
    int32_t IsPlaying(uint8_t* playing) const override;
    int32_t Slot4(int64_t* a) const override;
    int32_t Slot5(int64_t* a) const override;
    int32_t GetSampleLocation(int64_t* location) const override;
    int32_t Slot7(int64_t* a, int64_t b) const override;
    int32_t GetBarBeatAtLocation(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t location) const override;
    int32_t Slot9(int32_t* a, int64_t b) const override;
    int32_t Slot10(int64_t* a, int32_t b) const override;
    int32_t Slot11(int64_t* a, int64_t* b) const override;
    int32_t Slot12(uint8_t* a) const override;
    int32_t Slot13(int64_t* a) const override;

private:
    IHostTransport* transport = nullptr;
    IHostTransportV2* transportV2 = nullptr;
};
