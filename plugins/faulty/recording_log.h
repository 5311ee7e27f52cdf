// What the recording plug-in (build/plugins/recording.so) logs and how tests configure it; tests
// dlopen the same library the module loads and reach these functions with dlsym.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "vst/vst_types.h"

namespace recording {

inline constexpr int32_t kMaxParams = 64;
inline constexpr int32_t kMaxChunk = 4096;
inline constexpr int32_t kMaxCopiedEvents = 4;
inline constexpr int32_t kTextLength = 64;
inline constexpr uint32_t kDefaultCapacity = 4096;
inline constexpr int32_t kMaxRecordedChannels = 16;  // channel entries kept per processReplacing record
inline constexpr float kScribble = 0.5f;                // what scribbleInputs leaves in the inputs
inline constexpr int32_t kMaxProcessHostCalls = 8;

// The value the plug-in automates parameter `index` of `count` with from processReplacing: it
// names the index, so a host can tell a value that landed on another parameter.
inline float automationValueFor(int32_t index, int32_t count) {
    return count > 0 ? (static_cast<float>(index) + 0.5f) / static_cast<float>(count) : 0.0f;
}

enum class CallKind : int32_t {
    Dispatch,          // dispatcher(opcode, index, value, ptr, opt)
    SetParameter,      // setParameter(index, opt)
    GetParameter,      // getParameter(index); result holds the answer as float in opt
    ProcessReplacing,  // processReplacing(inputs, outputs, frames)
    HostCall,          // a call the plug-in made to the host callback (opcode, index, value, opt, result)
};

struct RecordedCall {
    CallKind kind;
    int32_t opcode;
    int32_t index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr result;  // the plug-in's answer (dispatcher) or the host's answer (HostCall)
    // ID text written for -14, ID text read for -15, parameter name for effGetParamName.
    char text[kTextLength];
    // effProcessEvents: numEvents as given, and the first events copied (32 bytes each).
    int32_t numEvents;
    VstMidiEvent events[kMaxCopiedEvents];
    // processReplacing: the arrays, the channel pointers read from them (null arrays give null).
    float** inputs;
    float** outputs;
    float* input[2];
    float* output[2];
    int32_t frames;
    // processReplacing: the entries read on each side (the declared count, at least 2; every one
    // is read, and every sample of it touched), the first kMaxRecordedChannels of them, and each
    // input's largest magnitude as the plug-in found it.
    int32_t inputEntries;
    int32_t outputEntries;
    float* inputAt[kMaxRecordedChannels];
    float* outputAt[kMaxRecordedChannels];
    float inputPeak[kMaxRecordedChannels];
    // processReplacing with askTimeInProcess: whether the host answered a record, and a copy of it.
    int32_t gotTime;
    VstTimeInfo time;
    // kPrivateEditorRedraw: a copy of the rectangle it pointed at (all 0 for a null pointer).
    ERect rect;
};

// Configuration applied to every instance created after korvexRecordingConfigure.
struct RecordingConfig {
    int32_t numParams = 4;
    int32_t numInputs = 2;
    int32_t numOutputs = 2;
    int32_t uniqueID = 0x52656331;  // 'Rec1'
    int32_t flags = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsHasEditor | effFlagsIsSynth;
    uint32_t capacity = kDefaultCapacity;  // records kept; later calls only count in `dropped`
    uint8_t refuseAutomation[kMaxParams] = {};  // 1: effCanBeAutomated answers 0
    uint8_t refuseProperties[kMaxParams] = {};  // 1: effGetParameterProperties answers 0
    uint8_t isSwitch[kMaxParams] = {};          // 1: kVstParameterIsSwitch in the properties
    int32_t stepInteger[kMaxParams] = {};
    float initialValue[kMaxParams] = {};
    // ID texts answered for -14 and resolved for -15; empty entries default to "param<i>".
    char ids[kMaxParams][kTextLength] = {};
    // Names (properties label and effGetParamName); empty entries default to "Param <i>".
    char names[kMaxParams][kTextLength] = {};
    int32_t chunkSize = 8;
    uint8_t chunk[kMaxChunk] = {'R', 'E', 'C', 'C', 'H', 'U', 'N', 'K'};
    int32_t askTimeInProcess = 0;  // 1: processReplacing asks audioMasterGetTime first
    ERect editorRect = {0, 0, 300, 500};  // answered to effEditGetRect when flags has the editor
    // 1: processReplacing then writes kScribble over every input it was given, as plug-ins that
    // use their inputs as scratch space do.
    int32_t scribbleInputs = 0;
    // Host calls processReplacing makes every block, in order, after askTimeInProcess: automate,
    // begin edit and end edit name parameter (block number % numParams), automate with
    // automationValueFor it; every other opcode gets zero arguments. Only the first
    // processHostCallCount entries are used. These calls are counted, not logged.
    int32_t processHostCalls[kMaxProcessHostCalls] = {};
    int32_t processHostCallCount = 0;
    // Channel declarations that change, as some plug-ins' do: when > 0, every effMainsChanged(1)
    // after the first declares this many outputs and the configured count in turn (4, then 6,
    // then 4 ...); effSetChunk then declares outputsAfterSetChunk outputs.
    int32_t alternateOutputs = 0;
    int32_t outputsAfterSetChunk = 0;
};

// One log per AEffect; it outlives effClose so a test can check that nothing came after it.
struct RecordingLog {
    RecordedCall* records = nullptr;
    uint32_t capacity = 0;
    std::atomic<uint32_t> claimed{0};
    std::atomic<uint32_t> dropped{0};
    audioMasterCallback host = nullptr;   // the callback main() was given
    VstIntPtr versionAtCreation = 0;      // the host's answer to audioMasterVersion inside main()
    int32_t closed = 0;                   // effClose received
    int32_t lastSetChunkSize = -1;        // size given with the last effSetChunk, -1 before any
    uint8_t lastSetChunk[kMaxChunk] = {}; // its first kMaxChunk bytes
    // Current parameter values: setParameter may come on any thread while another reads them.
    std::atomic<float> values[kMaxParams] = {};
    // Kept up to date on any thread, readable while the plug-in runs:
    std::atomic<uint32_t> processBlocks{0};     // processReplacing calls
    std::atomic<uint32_t> processHostCalls{0};  // host calls made from processHostCalls
    std::atomic<uint32_t> allNotesOff{0};       // control change 123 events received
    // Time records processReplacing found with sample rate 0 after it was handed them: a host
    // cleared the record while the plug-in still held it.
    std::atomic<uint32_t> blankTimeRecords{0};

    uint32_t size() const {
        uint32_t n = claimed.load(std::memory_order_acquire);
        return n < capacity ? n : capacity;
    }
    const RecordedCall& operator[](uint32_t i) const { return records[i]; }
    const RecordedCall* begin() const { return records; }
    const RecordedCall* end() const { return records + size(); }
    // Forgets every record so far (the test's own thread; not while the plug-in is being called).
    void clear() {
        claimed.store(0, std::memory_order_release);
        dropped.store(0, std::memory_order_relaxed);
    }

    // Dispatcher opcodes in call order.
    std::vector<int32_t> opcodes() const {
        std::vector<int32_t> out;
        for (const RecordedCall& c : *this)
            if (c.kind == CallKind::Dispatch) out.push_back(c.opcode);
        return out;
    }
    // Every call of one kind (and, for Dispatch and HostCall, one opcode) in call order.
    std::vector<RecordedCall> calls(CallKind kind, int32_t opcode = 0) const {
        std::vector<RecordedCall> out;
        for (const RecordedCall& c : *this)
            if (c.kind == kind && ((kind != CallKind::Dispatch && kind != CallKind::HostCall) || c.opcode == opcode))
                out.push_back(c);
        return out;
    }
    std::vector<RecordedCall> dispatches(int32_t opcode) const { return calls(CallKind::Dispatch, opcode); }
    std::vector<RecordedCall> hostCalls(int32_t opcode) const { return calls(CallKind::HostCall, opcode); }
};

}  // namespace recording

// Exported by recording.so. The configuration and instance registry are process-wide; they
// are shared with the module as long as both open the library by the same path.
extern "C" {
// The log of an instance this library created (closed ones are kept for a while), else null.
const recording::RecordingLog* korvexRecordingLog(const AEffect* effect);
using KorvexRecordingLogProc = const recording::RecordingLog* (*)(const AEffect*);

// Configuration for instances created from now on; null restores the defaults.
void korvexRecordingConfigure(const recording::RecordingConfig* config);
using KorvexRecordingConfigureProc = void (*)(const recording::RecordingConfig*);

// Calls the instance's host callback now, on the caller's thread, and logs it as a HostCall.
VstIntPtr korvexRecordingCallHost(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                  float opt);
using KorvexRecordingCallHostProc = VstIntPtr (*)(AEffect*, int32_t, int32_t, VstIntPtr, void*, float);

// Declares these channel counts from now on and tells the host with audioMasterIOChanged, on the
// caller's thread; answers the host's reply.
VstIntPtr korvexRecordingSetChannels(AEffect* effect, int32_t inputs, int32_t outputs);
using KorvexRecordingSetChannelsProc = VstIntPtr (*)(AEffect*, int32_t, int32_t);

// Queues audioMasterBeginEdit, audioMasterAutomate(value), audioMasterEndEdit for `index`,
// reported at the next effEditIdle (the value is stored first).
void korvexRecordingQueueEdit(AEffect* effect, int32_t index, float value);
using KorvexRecordingQueueEditProc = void (*)(AEffect*, int32_t, float);

// The rectangle effEditGetRect answers from now on, as an editor that changed its size would
// (the main thread, between the host's calls).
void korvexRecordingSetEditorRect(AEffect* effect, ERect rect);
using KorvexRecordingSetEditorRectProc = void (*)(AEffect*, ERect);
}
