// The simulated host's ACF transport (both versions): a settable play state, every entry recorded.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/host_lock.h"
#include "simhost/host_object.h"

namespace simhost {

// What the transport reports; bar, beat and ticks are given, not derived from the location.
struct TransportState {
    double tempo = 120.0;
    int32_t meterNumerator = 4;
    int32_t meterDenominator = 4;
    bool playing = false;
    int64_t sampleLocation = 0;
    int32_t bars = 1;
    int32_t beats = 1;
    int64_t ticks = 0;
};

class SimTransportService final : public IHostTransportV2, public RefCounted {
public:
    SimTransportService() = default;

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING

    int32_t GetCurrentTempo(double* tempo) override;
    int32_t GetCurrentMeter(int32_t* numerator, int32_t* denominator) override;
    int32_t IsTransportPlaying(uint8_t* playing) override;
    int32_t Entry6(int64_t* a) override;
    int32_t Entry7(int64_t* a) override;
    int32_t GetCurrentNativeSampleLocation(int64_t* location) override;
    int32_t Entry9(int64_t* a, int64_t b) override;
    int32_t GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t location) override;
    int32_t Entry11(int32_t* a, int64_t b) override;
    int32_t Entry12(int64_t* a, int32_t b) override;
    int32_t Entry13(int64_t* a, int64_t* b) override;
    int32_t Entry14(uint8_t* a) override;
    int32_t Entry15(int64_t* a) override;

    // Any thread; the module may read while a test moves the transport.
    void setState(const TransportState& next);
    TransportState state() const;
    // Set before the module runs. The host's own lock, taken by every query that answers (null: none).
    void setHostLock(HostLock* lock) { hostLock = lock; }
    // On: IsTransportPlaying answers playing and stopped in turn, whatever the state says.
    void setFlipping(bool flipping) { flippingPlay.store(flipping); }

    // A failure set through the recorder (setResult) makes an entry answer it and write nothing.
    CallRecorder recorder;

private:
    ~SimTransportService() override = default;

    mutable std::mutex stateMutex;
    TransportState current;
    HostLock* hostLock = nullptr;
    std::atomic<bool> flippingPlay{false};
    std::atomic<uint32_t> playQueries{0};
};

}  // namespace simhost
