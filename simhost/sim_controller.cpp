// The simulated controller: answers both controller IIDs with one object and keeps every post.
#include "simhost/sim_controller.h"

#include "host/host_iids.h"

namespace simhost {

int32_t SimController::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostController || iid == IID_HostControllerV2;
    return answerQuery(this, static_cast<IHostControllerV2*>(this), matches, out);
}

void SimController::setStemFormats(int32_t input, int32_t output) {
    inputStemFormat.store(input);
    outputStemFormat.store(output);
}

// Entries the module never calls only leave their trace and their scripted result.
int32_t SimController::unused(int entry, const void* a) {
    recorder.record(entry, a);
    return recorder.resultFor(entry);
}

int32_t SimController::GetSampleRate(float* rate) {
    recorder.record(4, rate);
    const HostLock::Hold hold(hostLock);
    const int32_t result = recorder.resultFor(4);
    if (result == 0 && rate) *rate = sampleRate.load();
    return result;
}

int32_t SimController::GetInputStemFormat(int32_t* format) {
    recorder.record(5, format);
    const HostLock::Hold hold(hostLock);
    const int32_t result = recorder.resultFor(5);
    if (result == 0 && format) *format = inputStemFormat.load();
    return result;
}

int32_t SimController::GetOutputStemFormat(int32_t* format) {
    recorder.record(6, format);
    const HostLock::Hold hold(hostLock);
    const int32_t result = recorder.resultFor(6);
    if (result == 0 && format) *format = outputStemFormat.load();
    return result;
}

// Like a real host: the bytes are copied into a block owned per field; the module's buffer is
// not kept.
int32_t SimController::PostPacket(uint32_t field, const void* data, uint32_t size) {
    recorder.record(12, field, data, size);
    const HostLock::Hold hostHold(hostLock);
    const int32_t scripted = recorder.resultFor(12);
    if (scripted != 0) return scripted;
    if (!data && size > 0) return kResultNotImplemented;
    {
        std::lock_guard<std::mutex> hold(packetMutex);
        if (failingPackets && postCounts[field] > 0) return kResultUnsupported;
        const auto* bytes = static_cast<const uint8_t*>(data);
        packets[field].assign(bytes, bytes + size);
        ++postCounts[field];
    }
    return packetSink ? packetSink(field, data, size) : 0;
}

std::vector<uint8_t> SimController::packet(uint32_t field) const {
    std::lock_guard<std::mutex> hold(packetMutex);
    const auto found = packets.find(field);
    return found == packets.end() ? std::vector<uint8_t>() : found->second;
}

size_t SimController::packetCount(uint32_t field) const {
    std::lock_guard<std::mutex> hold(packetMutex);
    const auto found = postCounts.find(field);
    return found == postCounts.end() ? 0 : found->second;
}

int32_t SimController::Entry3(int32_t* a) { return unused(3, a); }
int32_t SimController::Entry7(int32_t* a) { return unused(7, a); }
int32_t SimController::Entry8(int32_t* a) { return unused(8, a); }
int32_t SimController::Entry9(int32_t* a) { return unused(9, a); }
int32_t SimController::Entry10(int32_t* a) { return unused(10, a); }
int32_t SimController::Entry11(int32_t* a) { return unused(11, a); }
int32_t SimController::Entry13(int32_t* a) { return unused(13, a); }
int32_t SimController::Entry14(int32_t* a) { return unused(14, a); }
int32_t SimController::Entry15(int32_t* a) { return unused(15, a); }
int32_t SimController::Entry16(int32_t* a) { return unused(16, a); }
int32_t SimController::Entry17(int32_t* a) { return unused(17, a); }
int32_t SimController::Entry18(int32_t* a) { return unused(18, a); }
int32_t SimController::Entry19(int32_t* a) { return unused(19, a); }
int32_t SimController::Entry20(int32_t* a) { return unused(20, a); }
int32_t SimController::Entry21(int32_t* a) { return unused(21, a); }
int32_t SimController::Entry22(int64_t* a) { return unused(22, a); }
int32_t SimController::Entry23(int32_t* a) { return unused(23, a); }

}  // namespace simhost
