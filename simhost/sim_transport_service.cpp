// The simulated transport: answers both transport IIDs with one object and reports its state.
#include "simhost/sim_transport_service.h"

#include "host/host_iids.h"

namespace simhost {

int32_t SimTransportService::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostTransport || iid == IID_HostTransportV2;
    return answerQuery(this, static_cast<IHostTransportV2*>(this), matches, out);
}

void SimTransportService::setState(const TransportState& next) {
    std::lock_guard<std::mutex> hold(stateMutex);
    current = next;
}

TransportState SimTransportService::state() const {
    std::lock_guard<std::mutex> hold(stateMutex);
    return current;
}

int32_t SimTransportService::GetCurrentTempo(double* tempo) {
    recorder.record(3, tempo);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(3);
    if (result == 0 && tempo) *tempo = state().tempo;
    return result;
}

int32_t SimTransportService::GetCurrentMeter(int32_t* numerator, int32_t* denominator) {
    recorder.record(4, numerator, denominator);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(4);
    if (result != 0) return result;
    const TransportState now = state();
    if (numerator) *numerator = now.meterNumerator;
    if (denominator) *denominator = now.meterDenominator;
    return result;
}

int32_t SimTransportService::IsTransportPlaying(uint8_t* playing) {
    recorder.record(5, playing);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(5);
    if (result != 0 || !playing) return result;
    if (flippingPlay.load()) *playing = playQueries.fetch_add(1) % 2 == 0 ? 1 : 0;
    else *playing = state().playing ? 1 : 0;
    return result;
}

int32_t SimTransportService::GetCurrentNativeSampleLocation(int64_t* location) {
    recorder.record(8, location);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(8);
    if (result == 0 && location) *location = state().sampleLocation;
    return result;
}

int32_t SimTransportService::GetBarBeatPosition(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t location) {
    recorder.record(10, bars, beats, ticks, location);
    const HostLock::Hold hostHold(hostLock);
    const int32_t result = recorder.resultFor(10);
    if (result != 0) return result;
    const TransportState now = state();
    if (bars) *bars = now.bars;
    if (beats) *beats = now.beats;
    if (ticks) *ticks = now.ticks;
    return result;
}

// Entries the module never calls only leave their trace and their scripted result.
int32_t SimTransportService::Entry6(int64_t* a) {
    recorder.record(6, a);
    return recorder.resultFor(6);
}

int32_t SimTransportService::Entry7(int64_t* a) {
    recorder.record(7, a);
    return recorder.resultFor(7);
}

int32_t SimTransportService::Entry9(int64_t* a, int64_t b) {
    recorder.record(9, a, b);
    return recorder.resultFor(9);
}

int32_t SimTransportService::Entry11(int32_t* a, int64_t b) {
    recorder.record(11, a, b);
    return recorder.resultFor(11);
}

int32_t SimTransportService::Entry12(int64_t* a, int32_t b) {
    recorder.record(12, a, b);
    return recorder.resultFor(12);
}

int32_t SimTransportService::Entry13(int64_t* a, int64_t* b) {
    recorder.record(13, a, b);
    return recorder.resultFor(13);
}

int32_t SimTransportService::Entry14(uint8_t* a) {
    recorder.record(14, a);
    return recorder.resultFor(14);
}

int32_t SimTransportService::Entry15(int64_t* a) {
    recorder.record(15, a);
    return recorder.resultFor(15);
}

}  // namespace simhost
