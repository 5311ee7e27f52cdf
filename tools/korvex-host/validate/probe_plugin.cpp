// The validator's probe library: loads the plug-in under test, redirects its entry points through
// logging forwarders and passes its AEffect on to the module unchanged otherwise.
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "plugins/vst_entry.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/validate/probe_api.h"

namespace probe {
namespace {

// One per instance "main" made; never freed, so a log stays readable after effClose and a late
// call on a closed instance still finds what it needs to be refused.
struct Slot {
    AEffect* effect = nullptr;
    AEffectDispatcherProc dispatcher = nullptr;
    AEffectProcessProc processReplacing = nullptr;
    AEffectSetParameterProc setParameter = nullptr;
    AEffectGetParameterProc getParameter = nullptr;
    std::atomic<bool> closed{false};
    InstanceLog log;
};

constexpr int32_t kMaxSlots = 1024;

// Slots are published by "main" (the host's main thread) and looked up from any thread the
// plug-in is called on: an atomic count and atomic entries, written once each.
std::atomic<Slot*> gSlots[kMaxSlots];
std::atomic<int32_t> gSlotCount{0};
std::atomic<audioMasterCallback> gModuleCallback{nullptr};
std::atomic<int32_t> gAskTime{0};
std::atomic<void (*)(const char*)> gEnter{nullptr};
std::atomic<void (*)()> gLeave{nullptr};

std::mutex gTargetLock;
std::string gTarget;      // guarded by gTargetLock
char gError[512] = "";    // written by "main" only, on the host's main thread

constexpr auto kRelaxed = std::memory_order_relaxed;

// The newest slot for an address wins: a plug-in may reuse the memory of a closed instance.
Slot* find(const AEffect* effect) {
    if (!effect) return nullptr;
    for (int32_t i = gSlotCount.load(std::memory_order_acquire) - 1; i >= 0; --i) {
        Slot* slot = gSlots[i].load(std::memory_order_acquire);
        if (slot && slot->effect == effect) return slot;
    }
    return nullptr;
}

Slot* slotAt(int32_t index) {
    if (index < 0 || index >= gSlotCount.load(std::memory_order_acquire)) return nullptr;
    return gSlots[index].load(std::memory_order_acquire);
}

class Scope {
public:
    explicit Scope(const char* call) {
        if (auto enter = gEnter.load()) enter(call);
    }
    ~Scope() {
        if (auto leave = gLeave.load()) leave();
    }
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;
};

// Literals only: a fault handler may print them at any moment.
const char* opcodeName(int32_t opcode) {
    switch (opcode) {
    case effOpen: return "effOpen";
    case effClose: return "effClose";
    case effGetParamName: return "effGetParamName";
    case effSetSampleRate: return "effSetSampleRate";
    case effMainsChanged: return "effMainsChanged";
    case effEditGetRect: return "effEditGetRect";
    case effEditOpen: return "effEditOpen";
    case effEditClose: return "effEditClose";
    case effEditIdle: return "effEditIdle";
    case effGetChunk: return "effGetChunk";
    case effSetChunk: return "effSetChunk";
    case effProcessEvents: return "effProcessEvents";
    case effCanBeAutomated: return "effCanBeAutomated";
    case effSetBypass: return "effSetBypass";
    case effGetParameterProperties: return "effGetParameterProperties";
    case effEditKeyDown: return "effEditKeyDown";
    case kPrivateEditorRedraw: return "the editor redraw opcode (-1)";
    case kPrivateGetParamID: return "the parameter ID opcode (-14)";
    case kPrivateGetParamIndex: return "the parameter index opcode (-15)";
    case kPrivateEditorPrepare: return "the editor prepare opcode (-16)";
    default: return "the dispatcher";
    }
}

void recordTime(Slot& slot, VstIntPtr answer) {
    InstanceLog& log = slot.log;
    ReceivedTime& record = log.times[log.timeCount.fetch_add(1, kRelaxed) % kMaxTimes];
    record.block = log.blocks.load(kRelaxed);
    record.answered = answer != 0;
    record.time = answer ? *reinterpret_cast<const VstTimeInfo*>(answer) : VstTimeInfo{};
}

void recordEvents(Slot& slot, const VstEvents* events) {
    if (!events) return;
    InstanceLog& log = slot.log;
    for (int32_t i = 0; i < events->numEvents; ++i) {
        const VstEvent* event = events->events[i];
        if (!event || event->type != kVstMidiType) continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        ReceivedEvent& record = log.events[log.eventCount.fetch_add(1, kRelaxed) % kMaxEvents];
        record.block = log.blocks.load(kRelaxed);
        record.deltaFrames = midi->deltaFrames;
        record.eventsInCall = events->numEvents;
        for (int b = 0; b < 3; ++b) record.bytes[b] = static_cast<uint8_t>(midi->midiData[b]);
    }
}

bool refuseClosed(Slot& slot, int32_t opcode) {
    if (!slot.closed.load(std::memory_order_acquire)) return false;
    slot.log.callsAfterClose.fetch_add(1, kRelaxed);
    slot.log.lastOpcodeAfterClose.store(opcode, kRelaxed);
    return true;
}

VstIntPtr dispatchThrough(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    Slot* slot = find(effect);
    if (!slot || refuseClosed(*slot, opcode)) return 0;
    InstanceLog& log = slot->log;
    switch (opcode) {
    case effOpen: log.opens.fetch_add(1, kRelaxed); break;
    case effClose: log.closes.fetch_add(1, kRelaxed); break;
    case effMainsChanged: (value ? log.mainsOn : log.mainsOff).fetch_add(1, kRelaxed); break;
    case effSetBypass: (value ? log.bypassOn : log.bypassOff).fetch_add(1, kRelaxed); break;
    case effSetSampleRate:
        log.sampleRateCalls.fetch_add(1, kRelaxed);
        log.lastSampleRate.store(opt, kRelaxed);
        break;
    case effSetChunk: log.chunkLoads.fetch_add(1, kRelaxed); break;
    case effEditOpen: log.editorOpens.fetch_add(1, kRelaxed); break;
    case effEditClose: log.editorCloses.fetch_add(1, kRelaxed); break;
    case effProcessEvents: recordEvents(*slot, static_cast<const VstEvents*>(ptr)); break;
    default: break;
    }
    VstIntPtr result = 0;
    {
        Scope scope(opcodeName(opcode));
        result = slot->dispatcher(effect, opcode, index, value, ptr, opt);
    }
    // The plug-in may have freed its AEffect: only the slot is touched from here on.
    if (opcode == effClose) slot->closed.store(true, std::memory_order_release);
    return result;
}

void processThrough(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    Slot* slot = find(effect);
    if (!slot || refuseClosed(*slot, 0)) return;
    if (gAskTime.load(kRelaxed)) {
        if (audioMasterCallback host = gModuleCallback.load())
            recordTime(*slot, host(effect, audioMasterGetTime, 0, 0, nullptr, 0.0f));
    }
    {
        Scope scope("processReplacing");
        slot->processReplacing(effect, inputs, outputs, frames);
    }
    slot->log.blocks.fetch_add(1, std::memory_order_release);
}

void setParameterThrough(AEffect* effect, int32_t index, float value) {
    Slot* slot = find(effect);
    if (!slot || refuseClosed(*slot, 0)) return;
    slot->log.setParameterCalls.fetch_add(1, kRelaxed);
    Scope scope("setParameter");
    slot->setParameter(effect, index, value);
}

float getParameterThrough(AEffect* effect, int32_t index) {
    Slot* slot = find(effect);
    if (!slot || refuseClosed(*slot, 0)) return 0.0f;
    Scope scope("getParameter");
    return slot->getParameter(effect, index);
}

VstIntPtr hostThrough(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    audioMasterCallback host = gModuleCallback.load();
    const VstIntPtr answer = host ? host(effect, opcode, index, value, ptr, opt) : 0;
    if (opcode == audioMasterGetTime)
        if (Slot* slot = find(effect)) recordTime(*slot, answer);
    return answer;
}

void fail(const char* what, const std::string& detail) {
    std::snprintf(gError, sizeof gError, "%s%s", what, detail.c_str());
}

}  // namespace
}  // namespace probe

using namespace probe;

AEffect* korvexVstMain(audioMasterCallback host) {
    gModuleCallback.store(host);
    gError[0] = '\0';
    std::string target;
    {
        std::lock_guard<std::mutex> hold(gTargetLock);
        target = gTarget;
    }
    if (target.empty()) {
        fail("the probe was given no plug-in to load", "");
        return nullptr;
    }
    std::string why;
    void* library = simhost::openLibrary(target, &why);  // kept open: the instance lives in it
    if (!library) {
        fail("cannot load the plug-in: ", why);
        return nullptr;
    }
    auto entry = reinterpret_cast<VstPluginMainProc>(simhost::librarySymbol(library, "main"));
    if (!entry) {
        fail("the plug-in exports no main entry", "");
        return nullptr;
    }
    AEffect* effect = nullptr;
    {
        Scope scope("the plug-in's main entry");
        effect = entry(hostThrough);
    }
    if (!effect) {
        fail("the plug-in's main entry made no plug-in", "");
        return nullptr;
    }
    const int32_t index = gSlotCount.load();
    // Past the table's end the instance is passed on as it is: hosted, but not logged.
    if (index >= kMaxSlots) return effect;
    auto* slot = new Slot;
    slot->effect = effect;
    slot->dispatcher = effect->dispatcher;
    slot->processReplacing = effect->processReplacing;
    slot->setParameter = effect->setParameter;
    slot->getParameter = effect->getParameter;
    if (effect->dispatcher) effect->dispatcher = dispatchThrough;
    if (effect->processReplacing) effect->processReplacing = processThrough;
    if (effect->setParameter) effect->setParameter = setParameterThrough;
    if (effect->getParameter) effect->getParameter = getParameterThrough;
    gSlots[index].store(slot, std::memory_order_release);
    gSlotCount.store(index + 1, std::memory_order_release);
    return effect;
}

KORVEX_VST_EXPORT void korvexProbeSetTarget(const char* path) {
    std::lock_guard<std::mutex> hold(gTargetLock);
    gTarget = path ? path : "";
}

KORVEX_VST_EXPORT const char* korvexProbeError() { return gError; }

KORVEX_VST_EXPORT int32_t korvexProbeInstanceCount() { return gSlotCount.load(std::memory_order_acquire); }

KORVEX_VST_EXPORT AEffect* korvexProbeInstance(int32_t index) {
    Slot* slot = slotAt(index);
    return slot && !slot->closed.load(std::memory_order_acquire) ? slot->effect : nullptr;
}

KORVEX_VST_EXPORT const InstanceLog* korvexProbeLog(int32_t index) {
    Slot* slot = slotAt(index);
    return slot ? &slot->log : nullptr;
}

KORVEX_VST_EXPORT void korvexProbeSetAskTime(int32_t on) { gAskTime.store(on); }

KORVEX_VST_EXPORT void korvexProbeSetHooks(const Hooks* hooks) {
    gEnter.store(hooks ? hooks->enter : nullptr);
    gLeave.store(hooks ? hooks->leave : nullptr);
}

KORVEX_VST_EXPORT VstIntPtr korvexProbeCallHost(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value,
                                                void* ptr, float opt) {
    return hostThrough(effect, opcode, index, value, ptr, opt);
}

KORVEX_VST_EXPORT float korvexProbeGetParameter(int32_t index, int32_t parameter) {
    Slot* slot = slotAt(index);
    if (!slot || slot->closed.load(std::memory_order_acquire) || !slot->getParameter) return 0.0f;
    Scope scope("getParameter");
    return slot->getParameter(slot->effect, parameter);
}

KORVEX_VST_EXPORT void korvexProbeSetParameter(int32_t index, int32_t parameter, float value) {
    Slot* slot = slotAt(index);
    if (!slot || slot->closed.load(std::memory_order_acquire) || !slot->setParameter) return;
    Scope scope("setParameter");
    slot->setParameter(slot->effect, parameter, value);
}

KORVEX_VST_EXPORT VstIntPtr korvexProbeDispatch(int32_t index, int32_t opcode, int32_t arg, VstIntPtr value, void* ptr,
                                                float opt) {
    Slot* slot = slotAt(index);
    if (!slot || slot->closed.load(std::memory_order_acquire) || !slot->dispatcher) return 0;
    Scope scope(opcodeName(opcode));
    return slot->dispatcher(slot->effect, opcode, arg, value, ptr, opt);
}
