// Direct hosting of a VST 2.4 library for comparisons with the module.
#include "simhost/direct_vst_host.h"

#include <algorithm>
#include <cstring>

#include "simhost/dynamic_library.h"

namespace simhost {
namespace {

// Requests made from inside "main" come before `user` is set; this finds their host.
thread_local DirectVstHost* gCreating = nullptr;

// Request log entries kept; beyond this a plug-in that floods the host is not recorded further,
// so logging from the render thread never reallocates.
constexpr size_t kMaxRequests = 4096;

}  // namespace

DirectVstHost::DirectVstHost() {
    log.reserve(kMaxRequests);
    time.sampleRate = 44100.0;
}

DirectVstHost::~DirectVstHost() { close(); }

bool DirectVstHost::load(const std::string& path) {
    if (plugin) {
        failure = "a plug-in is already loaded";
        return false;
    }
    // Never closed: a library may keep threads or state alive past its last instance.
    std::string why;
    handle = openLibrary(path, &why);
    if (!handle) {
        failure = "cannot load " + path + ": " + why;
        return false;
    }
    auto entry = reinterpret_cast<VstPluginMainProc>(librarySymbol(handle, "main"));
    if (!entry) {
        failure = path + " has no entry point \"main\"";
        return false;
    }
    gCreating = this;
    AEffect* created = entry(&DirectVstHost::callback);
    gCreating = nullptr;
    if (!created) {
        failure = "\"main\" of " + path + " returned no plug-in";
        return false;
    }
    plugin = created;
    plugin->user = this;
    failure.clear();
    return true;
}

VstIntPtr DirectVstHost::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    return plugin && plugin->dispatcher ? plugin->dispatcher(plugin, opcode, index, value, ptr, opt) : 0;
}

void DirectVstHost::setSampleRate(float rate) {
    time.sampleRate = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(static_cast<int64_t>(rate)));
}

void DirectVstHost::start(float rate) {
    setSampleRate(rate);
    open();
    setMains(true);
}

void DirectVstHost::close() {
    if (!plugin) return;
    AEffect* closing = plugin;
    plugin = nullptr;
    if (closing->dispatcher) closing->dispatcher(closing, effClose, 0, 0, nullptr, 0.0f);
}

void DirectVstHost::setParameter(int32_t index, float value) {
    if (plugin && plugin->setParameter) plugin->setParameter(plugin, index, value);
}

float DirectVstHost::getParameter(int32_t index) {
    return plugin && plugin->getParameter ? plugin->getParameter(plugin, index) : 0.0f;
}

bool DirectVstHost::setParameterById(const std::string& id, float value) {
    int32_t index = parameterIndex(id);
    if (index < 0) return false;
    setParameter(index, value);
    return true;
}

std::string DirectVstHost::parameterId(int32_t index) {
    char id[32] = {};
    dispatch(kPrivateGetParamID, index, sizeof id, id);
    id[sizeof id - 1] = '\0';  // never trust the plug-in to terminate
    return id;
}

int32_t DirectVstHost::parameterIndex(const std::string& id) {
    return static_cast<int32_t>(dispatch(kPrivateGetParamIndex, 0, 0, const_cast<char*>(id.c_str())));
}

std::vector<uint8_t> DirectVstHost::chunk() {
    void* data = nullptr;
    VstIntPtr size = dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || !data) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

VstIntPtr DirectVstHost::setChunk(const std::vector<uint8_t>& data) {
    return dispatch(effSetChunk, 0, static_cast<VstIntPtr>(data.size()), const_cast<uint8_t*>(data.data()));
}

void DirectVstHost::sendMidi(uint8_t status, uint8_t data1, uint8_t data2, int32_t deltaFrames) {
    // The module's event: byteSize 24 rather than the record's 32, every other field 0.
    midi = VstMidiEvent{};
    midi.type = kVstMidiType;
    midi.byteSize = 24;
    midi.deltaFrames = deltaFrames;
    midi.midiData[0] = static_cast<char>(status);
    midi.midiData[1] = static_cast<char>(data1);
    midi.midiData[2] = static_cast<char>(data2);
    VstEvents events{};
    events.numEvents = 1;
    events.reserved = 0;
    events.events[0] = reinterpret_cast<VstEvent*>(&midi);
    dispatch(effProcessEvents, 0, 0, &events);
}

void DirectVstHost::process(float* in0, float* in1, float* out0, float* out1, int32_t frames) {
    if (!plugin || !plugin->processReplacing) return;
    if (plugin->numInputs > kMaxChannels || plugin->numOutputs > kMaxChannels) return;
    const size_t inputCount = static_cast<size_t>(std::max(plugin->numInputs, 2));
    const size_t outputCount = static_cast<size_t>(std::max(plugin->numOutputs, 2));
    // At least one sample, so that no entry is null even for an empty call.
    const size_t length = static_cast<size_t>(std::max(frames, 1));
    // Fresh silence every call, whatever the plug-in wrote into its inputs last time.
    extraInputs.resize(inputCount - 2);
    for (std::vector<float>& channel : extraInputs) channel.assign(std::max(length, channel.size()), 0.0f);
    extraOutputs.resize(std::max(extraOutputs.size(), outputCount - 2));
    for (std::vector<float>& channel : extraOutputs)
        if (channel.size() < length) channel.resize(length);

    inputEntries.assign(inputCount, nullptr);
    outputEntries.assign(outputCount, nullptr);
    inputEntries[0] = in0;
    inputEntries[1] = in1;
    outputEntries[0] = out0;
    outputEntries[1] = out1;
    for (size_t c = 2; c < inputCount; ++c) inputEntries[c] = extraInputs[c - 2].data();
    for (size_t c = 2; c < outputCount; ++c) outputEntries[c] = extraOutputs[c - 2].data();
    plugin->processReplacing(plugin, inputEntries.data(), outputEntries.data(), frames);
}

const float* DirectVstHost::extraOutput(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) + 2 >= outputEntries.size()) return nullptr;
    return outputEntries[static_cast<size_t>(index) + 2];
}

VstTimeInfo DirectVstHost::transport(bool playing, double tempo, int32_t numerator, int32_t denominator, double ppq,
                                     double samplePos, double sampleRate) {
    VstTimeInfo t{};
    t.sampleRate = sampleRate;
    t.tempo = tempo;
    t.timeSigNumerator = numerator;
    t.timeSigDenominator = denominator;
    t.flags = kVstTempoValid | kVstTimeSigValid;
    if (playing) {
        t.flags |= kVstTransportPlaying | kVstPpqPosValid;
        t.ppqPos = ppq;
        t.samplePos = samplePos;
    }
    return t;
}

VstIntPtr DirectVstHost::callback(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void*,
                                  float opt) {
    DirectVstHost* host = effect && effect->user ? static_cast<DirectVstHost*>(effect->user) : gCreating;
    if (host && host->log.size() < kMaxRequests) host->log.push_back(HostRequest{opcode, index, value, opt});
    // Fixed answers need no instance, exactly like the module's callback.
    if (opcode == audioMasterVersion) return kHostVersion;
    if (opcode == audioMasterCurrentId) return kHostId;
    // Like the module, a sample-rate request from a created instance is answered by sending the
    // rate back with effSetSampleRate, from inside the request; some plug-ins reset state on it.
    if (opcode == audioMasterGetSampleRate && effect && effect->user && host) {
        host->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(host->time.sampleRate));
        return 0;
    }
    if (opcode != audioMasterGetTime || !host) return 0;
    host->answered = host->time;
    return reinterpret_cast<VstIntPtr>(&host->answered);
}

}  // namespace simhost
