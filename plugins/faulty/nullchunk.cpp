// A one-parameter plug-in whose effGetChunk is broken: built as `nullchunk` it answers a size
// with a null data pointer; built with KORVEX_EMPTY_CHUNK as `emptychunk` it answers size 0.
#include <cstring>

#include "plugins/vst_entry.h"

namespace {

constexpr int32_t kUniqueId = 0x4E756C43;  // 'NulC'

struct Instance {
    AEffect effect{};
    float value = 0.5f;
};

VstIntPtr dispatch(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float) {
    auto* in = static_cast<Instance*>(effect->object);
    switch (opcode) {
    case effClose:
        delete in;
        return 0;
    case effGetChunk:
#ifdef KORVEX_EMPTY_CHUNK
        return 0;
#else
        if (ptr) *static_cast<void**>(ptr) = nullptr;
        return 64;
#endif
    case effSetChunk:
        return 0;
    case effCanBeAutomated:
        return index == 0 ? 1 : 0;
    case effGetParameterProperties:
        if (index != 0 || !ptr) return 0;
        std::strcpy(static_cast<VstParameterProperties*>(ptr)->label, "Level");
        return 1;
    case kPrivateGetParamID:
        if (index != 0 || !ptr || (value != 0 && value < 6)) return 0;
        std::strcpy(static_cast<char*>(ptr), "level");
        return 1;
    case kPrivateGetParamIndex:
        return ptr && std::strcmp(static_cast<const char*>(ptr), "level") == 0 ? 0 : -1;
    default:
        return 0;
    }
}

void setParameter(AEffect* effect, int32_t index, float value) {
    if (index == 0) static_cast<Instance*>(effect->object)->value = value;
}

float getParameter(AEffect* effect, int32_t index) {
    return index == 0 ? static_cast<Instance*>(effect->object)->value : 0.0f;
}

void processReplacing(AEffect*, float** inputs, float** outputs, int32_t frames) {
    for (int c = 0; c < 2 && outputs && frames > 0; ++c)
        if (outputs[c]) {
            const float* from = inputs ? inputs[c] : nullptr;
            if (from) std::memmove(outputs[c], from, sizeof(float) * static_cast<size_t>(frames));
            else std::memset(outputs[c], 0, sizeof(float) * static_cast<size_t>(frames));
        }
}

}  // namespace

AEffect* korvexVstMain(audioMasterCallback) {
    auto* in = new Instance;
    AEffect& e = in->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatch;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.processReplacing = processReplacing;
    e.numParams = 1;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks;
    e.object = in;
    e.uniqueID = kUniqueId;
    return &e;
}
