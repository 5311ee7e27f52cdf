// A settable host transport for render contexts: play state, location, tempo and meter,
// with bar/beat positions derived from them, and any query able to fail on demand.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/aax_transport.h"

namespace simhost {

class SimTransport final : public AAX_ITransport {
public:
    static constexpr int64_t kTicksPerBeat = 960000;

    enum class Query { Tempo, Meter, Playing, Location, BarBeat };

    SimTransport() = default;
    SimTransport(const SimTransport&) = delete;
    SimTransport& operator=(const SimTransport&) = delete;

    // Set between render calls, never during one.
    void setPlaying(bool isPlaying) { playing = isPlaying; }
    void setLocation(int64_t samples) { location = samples; }
    void setTempo(double beatsPerMinute) { tempo = beatsPerMinute; }
    void setMeter(int32_t meterNumerator, int32_t meterDenominator);
    void setSampleRate(double rate) { sampleRate = rate; }
    // A failing query answers kResultNotImplemented and leaves its outputs untouched.
    void setFailing(Query query, bool failing);
    // Every query answered so far, failed or not.
    int32_t queryCount() const { return queries.load(); }

    // The position of a location in bars and beats (both counted from 1, a beat being one
    // meter-denominator note) and ticks within the beat; false when the settings give none.
    bool barBeatAt(int64_t samples, int32_t* bars, int32_t* beats, int64_t* ticks) const;

    int32_t GetTempo(double* value) const override;
    int32_t GetMeter(int32_t* numeratorOut, int32_t* denominatorOut) const override;
    int32_t IsPlaying(uint8_t* isPlaying) const override;
    int32_t Slot4(int64_t* a) const override;
    int32_t Slot5(int64_t* a) const override;
    int32_t GetSampleLocation(int64_t* value) const override;
    int32_t Slot7(int64_t* a, int64_t b) const override;
    int32_t GetBarBeatAtLocation(int32_t* bars, int32_t* beats, int64_t* ticks, int64_t samples) const override;
    int32_t Slot9(int32_t* a, int64_t b) const override;
    int32_t Slot10(int64_t* a, int32_t b) const override;
    int32_t Slot11(int64_t* a, int64_t* b) const override;
    int32_t Slot12(uint8_t* a) const override;
    int32_t Slot13(int64_t* a) const override;

private:
    bool fails(Query query) const;

    bool playing = false;
    int64_t location = 0;
    double tempo = 120.0;
    int32_t numerator = 4;
    int32_t denominator = 4;
    double sampleRate = 48000.0;
    uint32_t failing = 0;
    mutable std::atomic<int32_t> queries{0};
};

}  // namespace simhost
