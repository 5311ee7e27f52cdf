// A plug-in whose editor crashes as it opens: effEditOpen ends in a segmentation fault, the way
// an editor that misreads its parent window does. Everything else is an empty effect.
#include <csignal>

#include "plugins/vst_entry.h"

namespace {

constexpr int32_t kUniqueId = 0x45644372;  // 'EdCr'

struct Instance {
    AEffect effect{};
    ERect rect{0, 0, 120, 200};
};

VstIntPtr dispatch(AEffect* effect, int32_t opcode, int32_t, VstIntPtr, void* ptr, float) {
    auto* in = static_cast<Instance*>(effect->object);
    switch (opcode) {
    case effClose:
        delete in;
        return 0;
    case effEditGetRect:
        if (ptr) *static_cast<ERect**>(ptr) = &in->rect;
        return 1;
    case effEditOpen:
        std::raise(SIGSEGV);
        return 1;
    default:
        return 0;
    }
}

void setParameter(AEffect*, int32_t, float) {}

float getParameter(AEffect*, int32_t) { return 0.0f; }

void processReplacing(AEffect*, float**, float**, int32_t) {}

}  // namespace

AEffect* korvexVstMain(audioMasterCallback) {
    auto* in = new Instance;
    AEffect& e = in->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatch;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsHasEditor;
    e.object = in;
    e.uniqueID = kUniqueId;
    return &e;
}
