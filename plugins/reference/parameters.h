// The reference plug-in's parameters: their fixed table (ID text, names, kind) and the current
// normalized values, shared lock-free between the main and render threads.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace reference {

enum ParamIndex : int32_t {
    kWave,
    kOscLevel,
    kInputLevel,
    kAttack,
    kRelease,
    kCutoff,
    kResonance,
    kDelaySync,
    kFeedback,
    kDelayMix,
    kGain,
    kVoices,
    kDetune,
    kParamCount
};

struct ParamInfo {
    const char* id;         // stable ID text, answered through -14 and resolved through -15
    const char* name;       // properties label
    const char* shortName;  // effGetParamName, at most 8 characters
    const char* unit;       // effGetParamLabel
    int32_t steps;          // 0 continuous, else a switch with this stepInteger
    bool automatable;       // effCanBeAutomated
    bool hasProperties;     // effGetParameterProperties answers 1
    float defaultValue;
};

const ParamInfo& paramInfo(int32_t index);

// The position of a stepped parameter, 0 .. steps-1.
int32_t stepOf(float value, int32_t steps);

class Parameters {
public:
    Parameters();

    static bool isValid(int32_t index) { return index >= 0 && index < kParamCount; }
    // Index of an ID text, -1 when none matches (or the text is null).
    static int32_t indexOf(const char* id);

    // Relaxed atomics: each value stands alone and the render thread only needs some recent value.
    float get(int32_t index) const;
    // Clamps into [0, 1]; NaN and unknown indices are ignored.
    void set(int32_t index, float value);
    void setAll(const float (&values)[kParamCount]);

    // The value as text for effGetParamDisplay, at most `capacity` - 1 characters.
    void display(int32_t index, char* text, size_t capacity) const;

private:
    std::atomic<float> values[kParamCount];
};

// Value mappings the DSP and the display share.
double attackSeconds(float value);
double releaseSeconds(float value);
double cutoffHz(float value);
double resonanceQ(float value);
double delayBeats(float value);
double gainFactor(float value);
int32_t voiceCount(float value);
double detuneCents(float value);

}  // namespace reference
