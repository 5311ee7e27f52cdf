// An in-process VST plug-in for unit tests: logs every call the module makes into it, answers
// the parameter-ID opcode from a table, and can call its host from inside any call.
#pragma once

#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "vst/host_callback.h"
#include "vst/vst_types.h"

namespace testing_support {

struct FakeCall {
    enum Kind { Dispatch, Process } kind;
    int32_t opcode = 0;
    int32_t index = 0;
    VstIntPtr value = 0;
    void* ptr = nullptr;
    float opt = 0.0f;
    int32_t numEvents = 0;
    VstMidiEvent event{};       // copy of the first event of effProcessEvents
    const void* eventAddress = nullptr;
    float* inputs[2] = {};
    float* outputs[2] = {};
    int32_t frames = 0;
};

class FakeEffect {
public:
    explicit FakeEffect(int32_t numParams = 0) {
        calls.reserve(4096);  // the render path under test must see no allocation from the fake either
        effect.magic = kEffectMagic;
        effect.dispatcher = &FakeEffect::dispatch;
        effect.processReplacing = &FakeEffect::process;
        effect.numParams = numParams;
        effect.object = this;
    }
    FakeEffect(const FakeEffect&) = delete;
    FakeEffect& operator=(const FakeEffect&) = delete;

    VstIntPtr callHost(int32_t opcode, int32_t index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0) {
        return host(&effect, opcode, index, value, ptr, opt);
    }
    std::vector<FakeCall> dispatches(int32_t opcode) const {
        std::vector<FakeCall> out;
        for (const FakeCall& c : calls)
            if (c.kind == FakeCall::Dispatch && c.opcode == opcode) out.push_back(c);
        return out;
    }
    size_t processCount() const {
        size_t n = 0;
        for (const FakeCall& c : calls) n += c.kind == FakeCall::Process;
        return n;
    }

    AEffect effect{};
    audioMasterCallback host = HostCallback;
    std::vector<FakeCall> calls;
    std::map<int32_t, std::string> ids;      // answers to kPrivateGetParamID; others write nothing
    std::function<void(FakeEffect&)> onProcess;
    std::function<void(FakeEffect&, const FakeCall&)> onDispatch;

private:
    static FakeEffect& of(AEffect* e) { return *static_cast<FakeEffect*>(e->object); }

    static VstIntPtr dispatch(AEffect* e, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
        FakeEffect& self = of(e);
        FakeCall call{FakeCall::Dispatch};
        call.opcode = opcode;
        call.index = index;
        call.value = value;
        call.ptr = ptr;
        call.opt = opt;
        if (opcode == effProcessEvents && ptr) {
            const auto* events = static_cast<const VstEvents*>(ptr);
            call.numEvents = events->numEvents;
            call.eventAddress = events->events[0];
            std::memcpy(&call.event, events->events[0], sizeof call.event);
        }
        if (opcode == kPrivateGetParamID && ptr) {
            auto it = self.ids.find(index);
            if (it != self.ids.end()) std::strcpy(static_cast<char*>(ptr), it->second.c_str());
        }
        self.calls.push_back(call);
        if (self.onDispatch) self.onDispatch(self, call);
        return 0;
    }

    static void process(AEffect* e, float** inputs, float** outputs, int32_t frames) {
        FakeEffect& self = of(e);
        FakeCall call{FakeCall::Process};
        call.inputs[0] = inputs[0];
        call.inputs[1] = inputs[1];
        call.outputs[0] = outputs[0];
        call.outputs[1] = outputs[1];
        call.frames = frames;
        self.calls.push_back(call);
        if (self.onProcess) self.onProcess(self);
    }
};

}  // namespace testing_support
