// The reference plug-in's parameter table, value mappings and display texts.
#include "plugins/reference/parameters.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace reference {
namespace {

// Order is the VST parameter index; IDs must never change, saved sessions refer to them.
constexpr ParamInfo kTable[kParamCount] = {
    {"osc_wave", "Oscillator Wave", "Wave", "", 2, true, true, 0.0f},
    {"osc_level", "Oscillator Level", "OscLevel", "%", 0, true, true, 0.8f},
    {"input_level", "Input Level", "InLevel", "%", 0, true, true, 1.0f},
    {"attack", "Attack", "Attack", "ms", 0, true, true, 0.1f},
    {"release", "Release", "Release", "ms", 0, true, true, 0.2f},
    {"cutoff", "Filter Cutoff", "Cutoff", "Hz", 0, true, true, 0.7f},
    {"resonance", "Filter Resonance", "Reso", "Q", 0, true, true, 0.2f},
    {"delay_sync", "Delay Time", "DlyTime", "beat", 5, true, true, 0.5f},
    {"delay_feedback", "Delay Feedback", "Feedback", "%", 0, true, true, 0.3f},
    {"delay_mix", "Delay Mix", "DlyMix", "%", 0, true, true, 0.25f},
    {"gain", "Output Gain", "Gain", "dB", 0, true, true, 0.5f},
    // Changing the voice count mid-note is not something a host should automate.
    {"voices", "Voices", "Voices", "", 0, false, true, 1.0f},
    // Answers no properties on purpose, so hosts must fall back to effGetParamName.
    {"detune", "Detune", "Detune", "ct", 0, true, false, 0.0f},
};

constexpr const char* kSyncNames[5] = {"1/16", "1/8", "1/8.", "1/4", "1/2"};
constexpr double kSyncBeats[5] = {0.25, 0.5, 0.75, 1.0, 2.0};

}  // namespace

const ParamInfo& paramInfo(int32_t index) { return kTable[Parameters::isValid(index) ? index : 0]; }

int32_t stepOf(float value, int32_t steps) {
    if (steps < 2) return 0;
    int32_t step = static_cast<int32_t>(value * static_cast<float>(steps - 1) + 0.5f);
    return step < 0 ? 0 : (step >= steps ? steps - 1 : step);
}

Parameters::Parameters() {
    for (int32_t i = 0; i < kParamCount; ++i) values[i].store(kTable[i].defaultValue, std::memory_order_relaxed);
}

int32_t Parameters::indexOf(const char* id) {
    if (!id) return -1;
    for (int32_t i = 0; i < kParamCount; ++i)
        if (std::strcmp(kTable[i].id, id) == 0) return i;
    return -1;
}

float Parameters::get(int32_t index) const {
    return isValid(index) ? values[index].load(std::memory_order_relaxed) : 0.0f;
}

void Parameters::set(int32_t index, float value) {
    if (!isValid(index) || std::isnan(value)) return;
    values[index].store(value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value), std::memory_order_relaxed);
}

void Parameters::setAll(const float (&all)[kParamCount]) {
    for (int32_t i = 0; i < kParamCount; ++i) set(i, all[i]);
}

void Parameters::display(int32_t index, char* text, size_t capacity) const {
    if (!text || capacity == 0) return;
    text[0] = '\0';
    if (!isValid(index)) return;
    float v = get(index);
    switch (index) {
    case kWave:
        std::snprintf(text, capacity, "%s", stepOf(v, 2) ? "Square" : "Saw");
        break;
    case kAttack:
        std::snprintf(text, capacity, "%.0f", attackSeconds(v) * 1000.0);
        break;
    case kRelease:
        std::snprintf(text, capacity, "%.0f", releaseSeconds(v) * 1000.0);
        break;
    case kCutoff:
        std::snprintf(text, capacity, "%.0f", cutoffHz(v));
        break;
    case kResonance:
        std::snprintf(text, capacity, "%.2f", resonanceQ(v));
        break;
    case kDelaySync:
        std::snprintf(text, capacity, "%s", kSyncNames[stepOf(v, 5)]);
        break;
    case kGain:
        if (v <= 0.0f) std::snprintf(text, capacity, "-inf");
        else std::snprintf(text, capacity, "%.1f", 20.0 * std::log10(gainFactor(v)));
        break;
    case kVoices:
        std::snprintf(text, capacity, "%d", static_cast<int>(voiceCount(v)));
        break;
    case kDetune:
        std::snprintf(text, capacity, "%.1f", detuneCents(v));
        break;
    default:
        std::snprintf(text, capacity, "%.0f", static_cast<double>(v) * 100.0);
        break;
    }
}

double attackSeconds(float value) { return 0.001 + static_cast<double>(value) * value * 2.0; }
double releaseSeconds(float value) { return 0.005 + static_cast<double>(value) * value * 4.0; }
double cutoffHz(float value) { return 20.0 * std::pow(1000.0, static_cast<double>(value)); }
double resonanceQ(float value) { return 0.5 + static_cast<double>(value) * value * 14.5; }
double delayBeats(float value) { return kSyncBeats[stepOf(value, 5)]; }
// Quadratic so that the middle of the range is unity gain and the top is +12 dB.
double gainFactor(float value) { return 4.0 * static_cast<double>(value) * value; }
int32_t voiceCount(float value) { return 1 + stepOf(value, 8); }
double detuneCents(float value) { return static_cast<double>(value) * 50.0; }

}  // namespace reference
