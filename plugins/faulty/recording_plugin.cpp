// The recording VST 2.4 plug-in: answers as configured and logs every call it receives, so tests
// can assert on the exact call sequence a host makes.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>

#include "plugins/faulty/recording_log.h"
#include "plugins/vst_entry.h"

namespace recording {
namespace {

// Closed instances stay readable for a while so a test can see what came after effClose.
constexpr size_t kKeptClosed = 16;

struct Instance {
    AEffect effect{};
    RecordingConfig config;
    RecordingLog log;
    std::atomic<int32_t> pendingEdit{-1};
    std::atomic<float> pendingValue{0.0f};
    int32_t mainsOn = 0;  // effMainsChanged(1) received so far

    ~Instance() { delete[] log.records; }
};

// Only main(), effClose and the test accessors touch it, never the process path.
struct Registry {
    std::mutex lock;
    RecordingConfig config;
    std::vector<Instance*> live;
    std::deque<Instance*> closed;

    ~Registry() {
        for (Instance* i : live) delete i;
        for (Instance* i : closed) delete i;
    }
};

Registry& registry() {
    static Registry r;
    return r;
}

Instance* instanceOf(const AEffect* effect) {
    return effect ? static_cast<Instance*>(effect->object) : nullptr;
}

// Claims the next record; null once the log is full (the call is then only counted).
RecordedCall* claim(RecordingLog& log, CallKind kind, int32_t opcode) {
    uint32_t at = log.claimed.fetch_add(1, std::memory_order_acq_rel);
    if (at >= log.capacity) {
        log.dropped.fetch_add(1, std::memory_order_relaxed);
        return nullptr;
    }
    RecordedCall* r = &log.records[at];
    *r = RecordedCall{};
    r->kind = kind;
    r->opcode = opcode;
    return r;
}

void copyText(char* to, size_t capacity, const char* from) {
    if (!to || capacity == 0) return;
    size_t n = 0;
    if (from)
        while (n + 1 < capacity && from[n] != '\0') ++n;
    if (n) std::memcpy(to, from, n);
    to[n] = '\0';
}

bool validIndex(const Instance& in, int32_t index) { return index >= 0 && index < in.effect.numParams; }

// A declaration that changes may be read by a render call on another thread (the host's, through
// the AEffect, and this plug-in's own processReplacing): the plug-in's side of it is atomic.
void declare(int32_t& field, int32_t count) { __atomic_store_n(&field, count, __ATOMIC_RELAXED); }
int32_t declared(const int32_t& field) { return __atomic_load_n(&field, __ATOMIC_RELAXED); }

void defaultTexts(RecordingConfig& c) {
    for (int32_t i = 0; i < kMaxParams; ++i) {
        if (c.ids[i][0] == '\0') std::snprintf(c.ids[i], kTextLength, "param%d", static_cast<int>(i));
        if (c.names[i][0] == '\0') std::snprintf(c.names[i], kTextLength, "Param %d", static_cast<int>(i));
    }
}

VstIntPtr callHost(Instance& in, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    RecordedCall* r = claim(in.log, CallKind::HostCall, opcode);
    VstIntPtr result = in.log.host ? in.log.host(&in.effect, opcode, index, value, ptr, opt) : 0;
    if (r) {
        r->index = index;
        r->value = value;
        r->ptr = ptr;
        r->opt = opt;
        r->result = result;
    }
    return result;
}

void copyEvents(RecordedCall* r, const VstEvents* events) {
    if (!r || !events) return;
    r->numEvents = events->numEvents;
    int32_t n = std::min(events->numEvents, kMaxCopiedEvents);
    for (int32_t i = 0; i < n; ++i)
        if (events->events[i]) std::memcpy(&r->events[i], events->events[i], sizeof(VstMidiEvent));
}

void countAllNotesOff(RecordingLog& log, const VstEvents* events) {
    if (!events) return;
    for (int32_t i = 0; i < events->numEvents && i < 2; ++i) {
        const auto* event = reinterpret_cast<const VstMidiEvent*>(events->events[i]);
        if (event && event->type == kVstMidiType && (event->midiData[0] & 0xF0) == 0xB0 && event->midiData[1] == 0x7B)
            log.allNotesOff.fetch_add(1, std::memory_order_relaxed);
    }
}

// A record the host handed out stays readable for the whole render call; one found with
// sample rate 0 was cleared under the plug-in's feet.
void checkTimeRecord(RecordingLog& log, const VstTimeInfo* time) {
    if (time && time->sampleRate == 0.0) log.blankTimeRecords.fetch_add(1, std::memory_order_relaxed);
}

// The configured host calls of one render call; returns the last time record the host answered.
const VstTimeInfo* makeProcessHostCalls(Instance& in, const VstTimeInfo* time) {
    const RecordingConfig& c = in.config;
    const int32_t count = std::clamp(c.processHostCallCount, 0, kMaxProcessHostCalls);
    if (count == 0) return time;
    const uint32_t block = in.log.processBlocks.load(std::memory_order_relaxed);
    const int32_t params = in.effect.numParams;
    const int32_t index = params > 0 ? static_cast<int32_t>(block % static_cast<uint32_t>(params)) : 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t opcode = c.processHostCalls[i];
        const bool names = opcode == audioMasterAutomate || opcode == audioMasterBeginEdit || opcode == audioMasterEndEdit;
        const float value = opcode == audioMasterAutomate ? automationValueFor(index, params) : 0.0f;
        const VstIntPtr answer = in.log.host ? in.log.host(&in.effect, opcode, names ? index : 0, 0, nullptr, value) : 0;
        in.log.processHostCalls.fetch_add(1, std::memory_order_relaxed);
        if (opcode == audioMasterGetTime && answer) time = reinterpret_cast<const VstTimeInfo*>(answer);
        checkTimeRecord(in.log, time);
    }
    return time;
}

void performQueuedEdit(Instance& in) {
    int32_t index = in.pendingEdit.exchange(-1, std::memory_order_acquire);
    if (!validIndex(in, index)) return;
    float value = in.pendingValue.load(std::memory_order_relaxed);
    in.log.values[index] = value;
    callHost(in, audioMasterBeginEdit, index, 0, nullptr, 0.0f);
    callHost(in, audioMasterAutomate, index, 0, nullptr, value);
    callHost(in, audioMasterEndEdit, index, 0, nullptr, 0.0f);
}

void close(Instance& in) {
    in.log.closed = 1;
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    reg.live.erase(std::remove(reg.live.begin(), reg.live.end(), &in), reg.live.end());
    reg.closed.push_back(&in);
    if (reg.closed.size() > kKeptClosed) {
        delete reg.closed.front();
        reg.closed.pop_front();
    }
}

VstIntPtr answer(Instance& in, RecordedCall* r, int32_t opcode, int32_t index, VstIntPtr value, void* ptr) {
    RecordingConfig& c = in.config;
    switch (opcode) {
    case effClose:
        close(in);
        return 0;
    case effGetParamName:
    case effGetParamLabel:
    case effGetParamDisplay: {
        if (!ptr || !validIndex(in, index)) return 0;
        char text[kTextLength] = {};
        if (opcode == effGetParamName) copyText(text, sizeof text, c.names[index]);
        else if (opcode == effGetParamDisplay)
            std::snprintf(text, sizeof text, "%.3f", static_cast<double>(in.log.values[index].load()));
        copyText(static_cast<char*>(ptr), 9, text);  // the published 8-character limit
        if (r) copyText(r->text, kTextLength, static_cast<char*>(ptr));
        return 0;
    }
    case effEditGetRect:
        if (!(c.flags & effFlagsHasEditor) || !ptr) return 0;
        *static_cast<ERect**>(ptr) = &c.editorRect;
        return 1;
    case effEditOpen:
        return (c.flags & effFlagsHasEditor) ? 1 : 0;
    case effEditIdle:
        performQueuedEdit(in);
        return 0;
    case kPrivateEditorRedraw:
        if (r && ptr) std::memcpy(&r->rect, ptr, sizeof r->rect);
        return 0;
    case effGetChunk:
        if (!ptr) return 0;
        *static_cast<void**>(ptr) = c.chunk;
        return c.chunkSize;
    case effMainsChanged:
        if (value != 0 && in.mainsOn++ > 0 && c.alternateOutputs > 0)
            declare(in.effect.numOutputs, in.mainsOn % 2 == 0 ? c.alternateOutputs : c.numOutputs);
        return 0;
    case effSetChunk: {
        if (c.outputsAfterSetChunk > 0) declare(in.effect.numOutputs, c.outputsAfterSetChunk);
        in.log.lastSetChunkSize = static_cast<int32_t>(std::clamp<VstIntPtr>(value, -1, INT32_MAX));
        if (!ptr || value <= 0) return 0;
        size_t n = static_cast<size_t>(std::min<VstIntPtr>(value, kMaxChunk));
        std::memcpy(in.log.lastSetChunk, ptr, n);
        std::memcpy(c.chunk, ptr, n);
        c.chunkSize = static_cast<int32_t>(n);
        return 1;
    }
    case effProcessEvents:
        copyEvents(r, static_cast<const VstEvents*>(ptr));
        countAllNotesOff(in.log, static_cast<const VstEvents*>(ptr));
        return 1;
    case effCanBeAutomated:
        return validIndex(in, index) && !c.refuseAutomation[index] ? 1 : 0;
    case effGetParameterProperties: {
        if (!ptr || !validIndex(in, index) || c.refuseProperties[index]) return 0;
        auto* p = static_cast<VstParameterProperties*>(ptr);
        copyText(p->label, sizeof p->label, c.names[index]);
        copyText(p->shortLabel, sizeof p->shortLabel, c.names[index]);
        if (c.isSwitch[index]) p->flags |= kVstParameterIsSwitch;
        p->stepInteger = c.stepInteger[index];
        if (r) copyText(r->text, kTextLength, p->label);
        return 1;
    }
    case kPrivateGetParamID: {
        if (!ptr || !validIndex(in, index)) return 0;
        size_t capacity = value > 0 ? static_cast<size_t>(value) : 32;
        copyText(static_cast<char*>(ptr), capacity, c.ids[index]);
        if (r) copyText(r->text, kTextLength, static_cast<char*>(ptr));
        return 1;
    }
    case kPrivateGetParamIndex: {
        if (!ptr) return -1;
        const char* id = static_cast<const char*>(ptr);
        if (r) copyText(r->text, kTextLength, id);
        for (int32_t i = 0; i < in.effect.numParams; ++i)
            if (std::strcmp(c.ids[i], id) == 0) return i;
        return -1;
    }
    default:
        return 0;
    }
}

VstIntPtr dispatch(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    Instance* in = instanceOf(effect);
    if (!in) return 0;
    RecordedCall* r = claim(in->log, CallKind::Dispatch, opcode);
    if (r) {
        r->index = index;
        r->value = value;
        r->ptr = ptr;
        r->opt = opt;
    }
    VstIntPtr result = answer(*in, r, opcode, index, value, ptr);
    if (r) r->result = result;
    return result;
}

void setParameter(AEffect* effect, int32_t index, float value) {
    Instance* in = instanceOf(effect);
    if (!in) return;
    if (RecordedCall* r = claim(in->log, CallKind::SetParameter, 0)) {
        r->index = index;
        r->opt = value;
    }
    if (validIndex(*in, index)) in->log.values[index] = value;
}

float getParameter(AEffect* effect, int32_t index) {
    Instance* in = instanceOf(effect);
    if (!in) return 0.0f;
    float value = validIndex(*in, index) ? in->log.values[index].load() : 0.0f;
    if (RecordedCall* r = claim(in->log, CallKind::GetParameter, 0)) {
        r->index = index;
        r->opt = value;
    }
    return value;
}

// Every entry the plug-in declares is read and every sample of it touched, so a host handing
// over fewer entries or shorter buffers meets AddressSanitizer; input c goes to output c.
void passChannels(const Instance& in, RecordedCall* r, float** inputs, float** outputs, int32_t frames) {
    const int32_t inputCount = std::max(declared(in.effect.numInputs), 2);
    const int32_t outputCount = std::max(declared(in.effect.numOutputs), 2);
    const size_t length = static_cast<size_t>(std::max(frames, 0));
    if (r) {
        r->inputEntries = inputCount;
        r->outputEntries = outputCount;
    }
    for (int32_t c = 0; c < inputCount; ++c) {
        float* channel = inputs ? inputs[c] : nullptr;
        float peak = 0.0f;
        for (size_t i = 0; channel && i < length; ++i) peak = std::max(peak, std::fabs(channel[i]));
        if (r && c < kMaxRecordedChannels) {
            r->inputAt[c] = channel;
            r->inputPeak[c] = peak;
        }
    }
    for (int32_t c = 0; c < outputCount; ++c) {
        float* channel = outputs ? outputs[c] : nullptr;
        if (r && c < kMaxRecordedChannels) r->outputAt[c] = channel;
        if (!channel || length == 0) continue;
        float* source = inputs && c < inputCount ? inputs[c] : nullptr;
        if (source) std::memmove(channel, source, sizeof(float) * length);
        else std::memset(channel, 0, sizeof(float) * length);
    }
    if (!in.config.scribbleInputs || !inputs) return;
    for (int32_t c = 0; c < inputCount; ++c) {
        float* channel = inputs[c];
        bool alsoOutput = false;
        for (int32_t o = 0; outputs && o < outputCount; ++o) alsoOutput = alsoOutput || outputs[o] == channel;
        if (channel && !alsoOutput) std::fill(channel, channel + length, kScribble);
    }
}

// Passes input to output so tests can see which buffers arrived; allocates nothing.
void processReplacing(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    Instance* in = instanceOf(effect);
    if (!in) return;
    RecordedCall* r = claim(in->log, CallKind::ProcessReplacing, 0);
    float* input[2] = {inputs ? inputs[0] : nullptr, inputs ? inputs[1] : nullptr};
    float* output[2] = {outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr};
    if (r) {
        r->inputs = inputs;
        r->outputs = outputs;
        std::copy(input, input + 2, r->input);
        std::copy(output, output + 2, r->output);
        r->frames = frames;
    }
    const VstTimeInfo* time = nullptr;
    if (in->config.askTimeInProcess) {
        time = reinterpret_cast<const VstTimeInfo*>(callHost(*in, audioMasterGetTime, 0, 0, nullptr, 0.0f));
        if (r && time) {
            r->gotTime = 1;
            r->time = *time;
        }
    }
    makeProcessHostCalls(*in, time);
    in->log.processBlocks.fetch_add(1, std::memory_order_relaxed);
    passChannels(*in, r, inputs, outputs, frames);
}

Instance* create(audioMasterCallback host) {
    auto* in = new Instance;
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> guard(reg.lock);
        in->config = reg.config;
        reg.live.push_back(in);
    }
    RecordingConfig& c = in->config;
    defaultTexts(c);
    c.chunkSize = std::clamp(c.chunkSize, 0, kMaxChunk);
    in->log.capacity = std::clamp<uint32_t>(c.capacity, 1, 1u << 20);
    in->log.records = new RecordedCall[in->log.capacity];
    in->log.host = host;
    for (int32_t i = 0; i < kMaxParams; ++i) in->log.values[i] = c.initialValue[i];

    AEffect& e = in->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatch;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.numPrograms = 1;
    e.numParams = std::clamp(c.numParams, 0, kMaxParams);
    e.numInputs = c.numInputs;
    e.numOutputs = c.numOutputs;
    e.flags = c.flags;
    e.object = in;
    e.uniqueID = c.uniqueID;
    e.version = 1;
    return in;
}

}  // namespace
}  // namespace recording

using namespace recording;

AEffect* korvexVstMain(audioMasterCallback host) {
    Instance* in = create(host);
    // Real plug-ins ask for the host version while the host has not yet set `user`.
    in->log.versionAtCreation = callHost(*in, audioMasterVersion, 0, 0, nullptr, 0.0f);
    return &in->effect;
}

KORVEX_VST_EXPORT const RecordingLog* korvexRecordingLog(const AEffect* effect) {
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    for (Instance* i : reg.live)
        if (&i->effect == effect) return &i->log;
    for (Instance* i : reg.closed)
        if (&i->effect == effect) return &i->log;
    return nullptr;
}

KORVEX_VST_EXPORT void korvexRecordingConfigure(const RecordingConfig* config) {
    Registry& reg = registry();
    std::lock_guard<std::mutex> guard(reg.lock);
    reg.config = config ? *config : RecordingConfig{};
}

KORVEX_VST_EXPORT VstIntPtr korvexRecordingCallHost(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value,
                                                void* ptr, float opt) {
    Instance* in = instanceOf(effect);
    return in ? callHost(*in, opcode, index, value, ptr, opt) : 0;
}

KORVEX_VST_EXPORT VstIntPtr korvexRecordingSetChannels(AEffect* effect, int32_t inputs, int32_t outputs) {
    Instance* in = instanceOf(effect);
    if (!in) return 0;
    declare(in->effect.numInputs, inputs);
    declare(in->effect.numOutputs, outputs);
    return callHost(*in, audioMasterIOChanged, 0, 0, nullptr, 0.0f);
}

KORVEX_VST_EXPORT void korvexRecordingQueueEdit(AEffect* effect, int32_t index, float value) {
    Instance* in = instanceOf(effect);
    if (!in) return;
    in->pendingValue.store(value, std::memory_order_relaxed);
    in->pendingEdit.store(index, std::memory_order_release);
}

KORVEX_VST_EXPORT void korvexRecordingSetEditorRect(AEffect* effect, ERect rect) {
    if (Instance* in = instanceOf(effect)) in->config.editorRect = rect;
}
