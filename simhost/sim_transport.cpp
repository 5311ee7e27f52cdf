// Transport arithmetic of the simulated host: samples to beats at a fixed tempo and meter.
#include "simhost/sim_transport.h"

#include <cmath>

#include "acf/result_codes.h"

namespace simhost {

void SimTransport::setMeter(int32_t meterNumerator, int32_t meterDenominator) {
    numerator = meterNumerator;
    denominator = meterDenominator;
}

void SimTransport::setFailing(Query query, bool isFailing) {
    const uint32_t bit = 1u << static_cast<uint32_t>(query);
    failing = isFailing ? (failing | bit) : (failing & ~bit);
}

bool SimTransport::fails(Query query) const {
    queries.fetch_add(1);
    return (failing & (1u << static_cast<uint32_t>(query))) != 0;
}

bool SimTransport::barBeatAt(int64_t samples, int32_t* bars, int32_t* beats, int64_t* ticks) const {
    if (sampleRate <= 0.0 || tempo <= 0.0 || numerator <= 0 || denominator <= 0) return false;
    const double quarters = static_cast<double>(samples) / sampleRate * tempo / 60.0;
    const double totalBeats = quarters * denominator / 4.0;
    const double wholeBeats = std::floor(totalBeats);
    const double wholeBars = std::floor(wholeBeats / numerator);
    *bars = static_cast<int32_t>(wholeBars) + 1;
    *beats = static_cast<int32_t>(wholeBeats - wholeBars * numerator) + 1;
    *ticks = std::llround((totalBeats - wholeBeats) * static_cast<double>(kTicksPerBeat));
    return true;
}

int32_t SimTransport::GetTempo(double* value) const {
    if (fails(Query::Tempo) || !value) return kResultNotImplemented;
    *value = tempo;
    return kResultSuccess;
}

int32_t SimTransport::GetMeter(int32_t* numeratorOut, int32_t* denominatorOut) const {
    if (fails(Query::Meter) || !numeratorOut || !denominatorOut) return kResultNotImplemented;
    *numeratorOut = numerator;
    *denominatorOut = denominator;
    return kResultSuccess;
}

int32_t SimTransport::IsPlaying(uint8_t* isPlaying) const {
    if (fails(Query::Playing) || !isPlaying) return kResultNotImplemented;
    *isPlaying = playing ? 1 : 0;
    return kResultSuccess;
}

int32_t SimTransport::GetSampleLocation(int64_t* value) const {
    if (fails(Query::Location) || !value) return kResultNotImplemented;
    *value = location;
    return kResultSuccess;
}

int32_t SimTransport::GetBarBeatAtLocation(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t samples) const {
    if (fails(Query::BarBeat) || !bars || !beats || !ticks) return kResultNotImplemented;
    return barBeatAt(samples, bars, beats, ticks) ? kResultSuccess : kResultNotImplemented;
}

// The render path never asks for these; they answer "not implemented".
int32_t SimTransport::Slot4(int64_t*) const { return kResultNotImplemented; }
int32_t SimTransport::Slot5(int64_t*) const { return kResultNotImplemented; }
int32_t SimTransport::Slot7(int64_t*, int64_t) const { return kResultNotImplemented; }
int32_t SimTransport::Slot9(int32_t*, int64_t) const { return kResultNotImplemented; }
int32_t SimTransport::Slot10(int64_t*, int32_t) const { return kResultNotImplemented; }
int32_t SimTransport::Slot11(int64_t*, int64_t*) const { return kResultNotImplemented; }
int32_t SimTransport::Slot12(uint8_t*) const { return kResultNotImplemented; }
int32_t SimTransport::Slot13(int64_t*) const { return kResultNotImplemented; }

}  // namespace simhost
