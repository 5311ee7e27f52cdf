// Hosts a VST 2.4 library directly, without the module, making the same calls in the same form
// as the module does, so tests can compare what a plug-in renders both ways.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "vst/vst_types.h"

namespace simhost {

// A request the plug-in made to the host callback.
struct HostRequest {
    int32_t opcode;
    int32_t index;
    VstIntPtr value;
    float opt;
};

// One thread at a time: the request log and the time record are not shared safely.
class DirectVstHost {
public:
    static constexpr int32_t kHostVersion = 7;
    static constexpr int32_t kHostId = 0x41415348;  // 'AASH'
    static constexpr int32_t kMaxChannels = 1024;   // a declaration beyond this is not processed

    DirectVstHost();
    ~DirectVstHost();  // sends effClose if the plug-in is still open; the library stays loaded
    DirectVstHost(const DirectVstHost&) = delete;
    DirectVstHost& operator=(const DirectVstHost&) = delete;

    // Opens the library and creates one instance through "main"; false with error() set on failure.
    bool load(const std::string& path);
    const std::string& error() const { return failure; }
    AEffect* effect() const { return plugin; }
    void* library() const { return handle; }  // for librarySymbol() of a plug-in's test hooks

    VstIntPtr dispatch(int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f);
    // effSetSampleRate with the rate truncated to a whole number, as the module sends it; the time
    // record reports the rate unchanged.
    void setSampleRate(float rate);
    void open() { dispatch(effOpen); }
    void setMains(bool on) { dispatch(effMainsChanged, 0, on ? 1 : 0); }
    // The module's start: sample rate, effOpen, mains on.
    void start(float rate);
    void close();

    void setParameter(int32_t index, float value);
    float getParameter(int32_t index);
    // Resolves the ID with -15 first, like the module; false when the plug-in does not know it.
    bool setParameterById(const std::string& id, float value);
    std::string parameterId(int32_t index);  // -14 with a 32-byte buffer and value 32
    int32_t parameterIndex(const std::string& id);
    void setBypass(bool on) { dispatch(effSetBypass, 0, on ? 1 : 0); }

    std::vector<uint8_t> chunk();  // effGetChunk, bank chunk; empty when the plug-in answers none
    VstIntPtr setChunk(const std::vector<uint8_t>& data);

    // One effProcessEvents holding one MIDI event, exactly as the module sends each packet.
    void sendMidi(uint8_t status, uint8_t data1, uint8_t data2, int32_t deltaFrames = 0);
    // processReplacing with these as entries 0 and 1 (pass null for channel 1 to host mono) and
    // as many entries as the plug-in declares beyond them: inputs reading silence, outputs kept
    // in extraOutput(). Nothing is called for a plug-in declaring more than kMaxChannels.
    void process(float* in0, float* in1, float* out0, float* out1, int32_t frames);
    // Output entry 2 + index of the last process() call (frames samples), null when there is none.
    const float* extraOutput(int32_t index) const;

    // What the host answers to audioMasterGetTime (a copy is handed out per request).
    void setTimeInfo(const VstTimeInfo& info) { time = info; }
    const VstTimeInfo& timeInfo() const { return time; }
    // The record the module builds for a transport state (only the flags it ever sets).
    static VstTimeInfo transport(bool playing, double tempo, int32_t numerator, int32_t denominator, double ppq,
                                 double samplePos, double sampleRate);

    const std::vector<HostRequest>& requests() const { return log; }
    void clearRequests() { log.clear(); }

private:
    static VstIntPtr callback(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);

    void* handle = nullptr;
    AEffect* plugin = nullptr;
    std::string failure;
    VstTimeInfo time{};
    VstTimeInfo answered{};
    std::vector<HostRequest> log;
    VstMidiEvent midi{};
    // Channel entries beyond the two the caller gives; grown by process(), never shrunk.
    std::vector<float*> inputEntries;
    std::vector<float*> outputEntries;
    std::vector<std::vector<float>> extraInputs;
    std::vector<std::vector<float>> extraOutputs;
};

}  // namespace simhost
