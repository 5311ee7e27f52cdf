// The simulated host's per-instance controller (both versions): sample rate, stem formats and
// packet posting, every entry recorded.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <vector>

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/host_lock.h"
#include "simhost/host_object.h"

namespace simhost {

class SimController final : public IHostControllerV2, public RefCounted {
public:
    // Receives every post the controller accepts; its result is the post's result.
    using PacketSink = std::function<int32_t(uint32_t field, const void* data, uint32_t size)>;

    SimController() = default;

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING

    int32_t Entry3(int32_t* a) override;
    int32_t GetSampleRate(float* rate) override;
    int32_t GetInputStemFormat(int32_t* format) override;
    int32_t GetOutputStemFormat(int32_t* format) override;
    int32_t Entry7(int32_t* a) override;
    int32_t Entry8(int32_t* a) override;
    int32_t Entry9(int32_t* a) override;
    int32_t Entry10(int32_t* a) override;
    int32_t Entry11(int32_t* a) override;
    int32_t PostPacket(uint32_t field, const void* data, uint32_t size) override;
    int32_t Entry13(int32_t* a) override;
    int32_t Entry14(int32_t* a) override;
    int32_t Entry15(int32_t* a) override;
    int32_t Entry16(int32_t* a) override;
    int32_t Entry17(int32_t* a) override;
    int32_t Entry18(int32_t* a) override;
    int32_t Entry19(int32_t* a) override;
    int32_t Entry20(int32_t* a) override;
    int32_t Entry21(int32_t* a) override;
    int32_t Entry22(int64_t* a) override;
    int32_t Entry23(int32_t* a) override;

    void setSampleRate(float rate) { sampleRate.store(rate); }
    void setStemFormats(int32_t input, int32_t output);
    // Set before the module posts anything; called outside the controller's own lock.
    void setPacketSink(PacketSink sink) { packetSink = std::move(sink); }
    // Set before the module runs. The host's own lock, taken by every entry that does work (null: none).
    void setHostLock(HostLock* lock) { hostLock = lock; }
    // Set before the module runs. On: each field takes its first post; later posts fail, as a host's
    // full packet queue does.
    void setFailingPackets(bool failing) { failingPackets = failing; }

    // A failure set through the recorder (setResult) makes an entry answer it and write nothing.
    // The bytes of the last accepted post to a field (empty if none) and how many posts it took.
    std::vector<uint8_t> packet(uint32_t field) const;
    size_t packetCount(uint32_t field) const;

    CallRecorder recorder;

private:
    ~SimController() override = default;
    int32_t unused(int entry, const void* a);

    // Stereo in and out (channel count in the low 12 bits) unless a test says otherwise.
    std::atomic<float> sampleRate{44100.0f};
    std::atomic<int32_t> inputStemFormat{0x00010002};
    std::atomic<int32_t> outputStemFormat{0x00010002};
    PacketSink packetSink;
    HostLock* hostLock = nullptr;
    bool failingPackets = false;

    mutable std::mutex packetMutex;
    std::map<uint32_t, std::vector<uint8_t>> packets;
    std::map<uint32_t, size_t> postCounts;
};

}  // namespace simhost
