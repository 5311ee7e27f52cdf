// The validator's probe: a VST 2.4 library (build/korvex-probe.so) that the module loads in place
// of the plug-in under test. Its "main" loads the real plug-in and hands the module the plug-in's
// own AEffect with the four entry points redirected through the probe, which forwards every call
// unchanged and keeps a per-instance log: opens and closes, the MIDI events and time records the
// plug-in received, calls that came after effClose. The validator reaches these functions with
// dlsym on the same library file the module opened.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst/vst_types.h"

namespace probe {

inline constexpr int32_t kMaxEvents = 4096;   // MIDI events kept per instance (the latest ones)
inline constexpr int32_t kMaxTimes = 2048;    // time records kept per instance (the latest ones)

// A MIDI event as the plug-in received it. `block` counts the processReplacing calls that came
// before it, so an event with block n reached the plug-in ahead of audio call n.
struct ReceivedEvent {
    int32_t block;
    int32_t deltaFrames;
    int32_t eventsInCall;  // numEvents of the effProcessEvents call that carried it
    uint8_t bytes[3];
};

// What the host answered to one audioMasterGetTime, with the block it belongs to as above.
struct ReceivedTime {
    int32_t block;
    int32_t answered;  // 0: the host gave a null record
    VstTimeInfo time;
};

// Counters are written by whatever thread calls the plug-in and read by the validator after the
// calls it cares about have returned: relaxed atomics, so a read never sees a torn value.
struct InstanceLog {
    std::atomic<int32_t> opens{0};
    std::atomic<int32_t> closes{0};
    std::atomic<int32_t> mainsOn{0};
    std::atomic<int32_t> mainsOff{0};
    std::atomic<int32_t> callsAfterClose{0};
    std::atomic<int32_t> lastOpcodeAfterClose{0};
    std::atomic<int32_t> blocks{0};            // processReplacing calls
    std::atomic<int32_t> bypassOn{0};
    std::atomic<int32_t> bypassOff{0};
    std::atomic<int32_t> sampleRateCalls{0};
    std::atomic<float> lastSampleRate{0.0f};
    std::atomic<int32_t> setParameterCalls{0};
    std::atomic<int32_t> chunkLoads{0};        // effSetChunk
    std::atomic<int32_t> editorOpens{0};
    std::atomic<int32_t> editorCloses{0};
    std::atomic<int32_t> eventCount{0};        // every event received; events[] keeps the latest kMaxEvents
    ReceivedEvent events[kMaxEvents];
    std::atomic<int32_t> timeCount{0};         // every time answer; times[] keeps the latest kMaxTimes
    ReceivedTime times[kMaxTimes];

    const ReceivedEvent& event(int32_t i) const { return events[i % kMaxEvents]; }
    const ReceivedTime& timeRecord(int32_t i) const { return times[i % kMaxTimes]; }
};

// Called around every forwarded plug-in call, on the calling thread: `call` is a literal naming it
// ("processReplacing", "effOpen (dispatcher opcode 0)", ...). Both may be null.
struct Hooks {
    void (*enter)(const char* call);
    void (*leave)();
};

}  // namespace probe

extern "C" {
// The plug-in the probe's "main" loads from now on; call before the module makes an instance.
void korvexProbeSetTarget(const char* path);
using KorvexProbeSetTargetProc = void (*)(const char*);

// Why the last "main" made no instance ("" after a success).
const char* korvexProbeError();
using KorvexProbeErrorProc = const char* (*)();

// Instances made so far, in the order "main" made them; closed ones stay readable.
int32_t korvexProbeInstanceCount();
using KorvexProbeInstanceCountProc = int32_t (*)();
AEffect* korvexProbeInstance(int32_t index);  // null once effClose has been forwarded
using KorvexProbeInstanceProc = AEffect* (*)(int32_t);
const probe::InstanceLog* korvexProbeLog(int32_t index);
using KorvexProbeLogProc = const probe::InstanceLog* (*)(int32_t);

// 1: every processReplacing first asks the host for the time, as many plug-ins do, so the record
// the host would give is logged even for a plug-in that never asks.
void korvexProbeSetAskTime(int32_t on);
using KorvexProbeSetAskTimeProc = void (*)(int32_t);

void korvexProbeSetHooks(const probe::Hooks* hooks);
using KorvexProbeSetHooksProc = void (*)(const probe::Hooks*);

// Calls the host callback the module gave "main" as if the plug-in made the request.
VstIntPtr korvexProbeCallHost(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);
using KorvexProbeCallHostProc = VstIntPtr (*)(AEffect*, int32_t, int32_t, VstIntPtr, void*, float);

// The plug-in's own entry points, not logged: what it answers when the validator asks.
float korvexProbeGetParameter(int32_t index, int32_t parameter);
using KorvexProbeGetParameterProc = float (*)(int32_t, int32_t);
void korvexProbeSetParameter(int32_t index, int32_t parameter, float value);
using KorvexProbeSetParameterProc = void (*)(int32_t, int32_t, float);
VstIntPtr korvexProbeDispatch(int32_t index, int32_t opcode, int32_t arg, VstIntPtr value, void* ptr, float opt);
using KorvexProbeDispatchProc = VstIntPtr (*)(int32_t, int32_t, int32_t, VstIntPtr, void*, float);
}
