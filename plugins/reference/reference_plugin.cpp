// The reference plug-in's dispatcher and audio path.
#include "plugins/reference/reference_plugin.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

namespace reference {
namespace {

constexpr double kDefaultTempo = 120.0;

void copyText(void* to, size_t capacity, const char* from) {
    if (to && capacity > 0) std::snprintf(static_cast<char*>(to), capacity, "%s", from);
}

// Hosts give the published 8-character limit plus the terminator for parameter texts.
constexpr size_t kParamTextCapacity = 9;

void copyChannel(float* to, const float* from, int32_t frames) {
    if (!to) return;
    if (from) std::memmove(to, from, sizeof(float) * static_cast<size_t>(frames));
    else std::memset(to, 0, sizeof(float) * static_cast<size_t>(frames));
}

}  // namespace

ReferencePlugin::ReferencePlugin(audioMasterCallback hostCallback) : host(hostCallback), editor(parameters, *this) {
    aeffect.magic = kEffectMagic;
    aeffect.numPrograms = 1;
    aeffect.numParams = kParamCount;
    aeffect.numInputs = 2;
    aeffect.numOutputs = 2;
    aeffect.flags = effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks | effFlagsIsSynth;
    aeffect.object = this;
    aeffect.uniqueID = kUniqueId;
    aeffect.version = 1000;
}

VstIntPtr ReferencePlugin::callHost(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    return host ? host(&aeffect, opcode, index, value, ptr, opt) : 0;
}

VstIntPtr ReferencePlugin::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effOpen:
        return 0;
    case effClose:
        delete this;
        return 0;
    case effGetProgram:
        return 0;
    case effGetProgramName:
    case effGetProgramNameIndexed:
        copyText(ptr, 24, "Default");
        return 1;
    case effSetSampleRate:
        if (std::isfinite(opt) && opt >= 1000.0f) sampleRate.store(opt, std::memory_order_relaxed);
        return 0;
    case effMainsChanged:
        if (value) reset();  // switching on starts from silence
        return 0;
    case effGetChunk:
        if (!ptr) return 0;
        *static_cast<const void**>(ptr) = chunk.write(parameters);
        return static_cast<VstIntPtr>(StateChunk::kSize);
    case effSetChunk:
        return value > 0 && StateChunk::read(ptr, static_cast<size_t>(value), parameters) ? 1 : 0;
    case effProcessEvents:
        queueEvents(static_cast<const VstEvents*>(ptr));
        return 1;
    case effSetBypass:
        bypassed.store(value != 0, std::memory_order_relaxed);
        return 1;
    case effGetEffectName:
    case effGetProductString:
        copyText(ptr, 32, "KORVEX");
        return 1;
    case effGetVendorString:
        copyText(ptr, 32, "TOLM-lab");
        return 1;
    case effGetVendorVersion:
        return 1000;
    case effGetVstVersion:
        return 2400;
    case effGetPlugCategory:
        return 2;  // instrument
    case effCanDo: {
        const char* what = static_cast<const char*>(ptr);
        if (!what) return 0;
        for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "receiveVstTimeInfo", "bypass"})
            if (std::strcmp(what, yes) == 0) return 1;
        return -1;
    }
    default:
        break;
    }
    if (VstIntPtr handled = dispatchEditor(opcode, index, value, ptr, opt)) return handled;
    return dispatchParameter(opcode, index, value, ptr);
}

VstIntPtr ReferencePlugin::dispatchEditor(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effEditGetRect:
        if (!ptr) return 0;
        *static_cast<ERect**>(ptr) = editor.rect();
        return 1;
    case effEditOpen:
        editor.open(ptr);
        return 1;
    case effEditClose:
        editor.close();
        return 1;
    case effEditIdle:
        performQueuedEdit();
        editor.idle();
        return 1;
    case effEditKeyDown:
        editor.keyDown(index, value);
        return 1;
    case kPrivateEditorRedraw:
        editor.redraw(static_cast<const ERect*>(ptr));
        return 1;
    case kPrivateEditorPrepare:
        editor.prepare(opt);
        return 1;
    default:
        return 0;
    }
}

VstIntPtr ReferencePlugin::dispatchParameter(int32_t opcode, int32_t index, VstIntPtr value, void* ptr) {
    if (opcode == kPrivateGetParamIndex) return Parameters::indexOf(static_cast<const char*>(ptr));
    if (!Parameters::isValid(index)) return 0;
    const ParamInfo& info = paramInfo(index);
    switch (opcode) {
    case effGetParamName:
        copyText(ptr, kParamTextCapacity, info.shortName);
        return 0;
    case effGetParamLabel:
        copyText(ptr, kParamTextCapacity, info.unit);
        return 0;
    case effGetParamDisplay:
        if (ptr) parameters.display(index, static_cast<char*>(ptr), kParamTextCapacity);
        return 0;
    case effCanBeAutomated:
        return info.automatable ? 1 : 0;
    case effGetParameterProperties: {
        if (!ptr || !info.hasProperties) return 0;
        auto* p = static_cast<VstParameterProperties*>(ptr);
        copyText(p->label, sizeof p->label, info.name);
        copyText(p->shortLabel, sizeof p->shortLabel, info.shortName);
        if (info.steps >= 2) {
            p->flags |= kVstParameterIsSwitch | kVstParameterUsesIntegerMinMax | kVstParameterUsesIntStep;
            p->minInteger = 0;
            p->maxInteger = info.steps - 1;
            p->stepInteger = info.steps;
            p->largeStepInteger = 1;
        }
        return 1;
    }
    case kPrivateGetParamID: {
        if (!ptr) return 0;
        // Capacity includes the terminator; 0 means the customary 32-byte buffer.
        size_t capacity = value > 0 ? static_cast<size_t>(value) : 32;
        copyText(ptr, capacity, info.id);
        return 1;
    }
    default:
        return 0;
    }
}

void ReferencePlugin::queueEvents(const VstEvents* events) {
    if (!events) return;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* e = events->events[i];
        if (!e || e->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(e);
        synth.queue(midi->deltaFrames, static_cast<uint8_t>(midi->midiData[0]), static_cast<uint8_t>(midi->midiData[1]),
                    static_cast<uint8_t>(midi->midiData[2]));
    }
}

void ReferencePlugin::performQueuedEdit() {
    int32_t index = 0;
    float value = 0.0f;
    if (!editor.takeEdit(index, value) || !Parameters::isValid(index)) return;
    beginEdit(index);
    changeValue(index, value);
    endEdit(index);
}

void ReferencePlugin::beginEdit(int32_t index) { callHost(audioMasterBeginEdit, index, 0, nullptr, 0.0f); }

void ReferencePlugin::changeValue(int32_t index, float value) {
    parameters.set(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, parameters.get(index));
}

void ReferencePlugin::endEdit(int32_t index) { callHost(audioMasterEndEdit, index, 0, nullptr, 0.0f); }

double ReferencePlugin::hostTempo() {
    auto* time = reinterpret_cast<const VstTimeInfo*>(callHost(audioMasterGetTime, 0, kVstTempoValid, nullptr, 0.0f));
    if (!time || !(time->flags & kVstTempoValid) || !std::isfinite(time->tempo)) return kDefaultTempo;
    return time->tempo < 20.0 ? 20.0 : (time->tempo > 999.0 ? 999.0 : time->tempo);
}

void ReferencePlugin::reset() {
    synth.reset();
    for (StateVariableFilter& f : filters) f.reset();
    for (TempoDelay& d : delays) d.reset();
}

// [render] The time request comes first: the host may answer it by sending events back in,
// and those belong to this block.
void ReferencePlugin::process(float** inputs, float** outputs, int32_t frames) {
    double tempo = hostTempo();
    double rate = sampleRate.load(std::memory_order_relaxed);
    int32_t voices = voiceCount(parameters.get(kVoices));
    double detune = detuneCents(parameters.get(kDetune));
    float* in[2] = {inputs ? inputs[0] : nullptr, inputs ? inputs[1] : nullptr};
    float* out[2] = {outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr};
    // A host with a mono bus passes null for the second channel: process channel 0 alone.
    int32_t channels = out[1] ? 2 : 1;
    if (frames <= 0 || !out[0]) {
        synth.flush(rate, voices, detune);
        return;
    }
    if (bypassed.load(std::memory_order_relaxed)) {
        synth.flush(rate, voices, detune);  // notes still start and stop, so none hangs after bypass
        for (int32_t c = 0; c < channels; ++c) copyChannel(out[c], in[c], frames);
        return;
    }

    VoiceShape shape{stepOf(parameters.get(kWave), 2) == 1, 1.0 / (attackSeconds(parameters.get(kAttack)) * rate),
                     std::exp(-6.9 / (releaseSeconds(parameters.get(kRelease)) * rate))};
    float oscLevel = parameters.get(kOscLevel);
    float inputLevel = parameters.get(kInputLevel);
    float gain = static_cast<float>(gainFactor(parameters.get(kGain)));
    for (int32_t c = 0; c < channels; ++c) {
        filters[c].configure(cutoffHz(parameters.get(kCutoff)), resonanceQ(parameters.get(kResonance)), rate);
        delays[c].configure(delayBeats(parameters.get(kDelaySync)), tempo, rate, parameters.get(kFeedback),
                            parameters.get(kDelayMix));
    }

    for (int32_t i = 0; i < frames; ++i) {
        synth.applyDue(i, rate, voices, detune);
        float voice = synth.render(shape) * oscLevel;
        for (int32_t c = 0; c < channels; ++c) {
            float x = in[c] ? in[c][i] : 0.0f;
            if (!std::isfinite(x)) x = 0.0f;  // one bad sample must not poison the filter and delay
            out[c][i] = delays[c].process(filters[c].process(x * inputLevel + voice) * gain);
        }
    }
    synth.flush(rate, voices, detune);
}

}  // namespace reference
