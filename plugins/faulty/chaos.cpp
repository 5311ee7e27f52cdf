// The chaos VST 2.4 plug-in: answers every request in the awkward way its configuration picks and
// calls its host back from inside its own calls, for the fuzz target of the module.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

#include "plugins/faulty/chaos_control.h"
#include "plugins/vst_entry.h"

namespace chaos {
namespace {

struct Instance {
    AEffect effect{};
    Config config;
    audioMasterCallback host = nullptr;
    uint32_t random = 1;
    int32_t depth = 0;  // host calls of this instance in progress
    int32_t grownBy = 0;
    bool editorOpen = false;  // effEditOpen received, effEditClose not yet
    float values[kMaxParams] = {};
    uint8_t chunk[kChunkCapacity] = {};
    ERect rect{};
};

struct Registry {
    std::mutex lock;
    Config next;
    std::vector<Instance*> live;
    int32_t editorsLeftOpen = 0;
};

Registry& registry() {
    static Registry r;
    return r;
}

Instance& of(AEffect* effect) { return *static_cast<Instance*>(effect->object); }

uint32_t nextRandom(Instance& in) {
    // xorshift32: the same configuration gives the same run.
    uint32_t x = in.random;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    in.random = x ? x : 1;
    return in.random;
}

bool chance(Instance& in, uint8_t percent) { return percent > 0 && nextRandom(in) % 100 < percent; }

int32_t slot(int32_t index) { return std::clamp(index, 0, kMaxParams - 1); }

void writeText(Instance& in, TextStyle style, const char* normal, void* ptr) {
    if (!ptr) return;
    auto* out = static_cast<char*>(ptr);
    switch (style) {
    case TextStyle::Normal:
        std::snprintf(out, kTextRoom, "%s", normal);
        break;
    case TextStyle::Unterminated: {
        const size_t n = std::min<size_t>(std::strlen(normal), kTextRoom);
        std::memset(out, 'x', kTextRoom);
        std::memcpy(out, normal, n);
        break;
    }
    case TextStyle::Empty:
        out[0] = '\0';
        break;
    case TextStyle::Nothing:
        break;
    case TextStyle::Duplicate:
        std::snprintf(out, kTextRoom, "%s", "same");
        break;
    case TextStyle::Long:
        std::snprintf(out, kTextRoom, "%s%s", normal, "-and-sixty-more-characters-of-text-that-no-parameter-keeps-whole");
        break;
    default: {  // Random
        const size_t n = nextRandom(in) % kTextRoom;
        for (size_t i = 0; i < n; ++i) out[i] = static_cast<char>(1 + nextRandom(in) % 255);
        out[n] = '\0';
        break;
    }
    }
}

// The host request a misbehaving plug-in makes from inside any of its calls.
void reenter(Instance& in) {
    if (in.depth >= kMaxReentry || !chance(in, in.config.reentryPercent)) return;
    static constexpr int32_t kOpcodes[] = {audioMasterAutomate,      audioMasterBeginEdit, audioMasterEndEdit,
                                           audioMasterUpdateDisplay, audioMasterGetTime,   audioMasterGetSampleRate,
                                           audioMasterSizeWindow,    audioMasterVersion,   audioMasterGetVendorString,
                                           audioMasterIOChanged,     99};
    static constexpr float kOpts[] = {0.0f, 0.5f, 1.0f, -1.0f, 1e30f, std::numeric_limits<float>::quiet_NaN()};
    const int32_t opcode = kOpcodes[nextRandom(in) % (sizeof kOpcodes / sizeof kOpcodes[0])];
    const int32_t index = static_cast<int32_t>(nextRandom(in) % static_cast<uint32_t>(in.effect.numParams + 6)) - 2;
    const float opt = kOpts[nextRandom(in) % (sizeof kOpts / sizeof kOpts[0])];
    char buffer[kTextRoom] = {};
    ++in.depth;
    in.host(&in.effect, opcode, index, 0, buffer, opt);
    --in.depth;
}

VstIntPtr chunkAnswer(Instance& in, void* ptr) {
    if (!ptr) return 0;
    const Config& c = in.config;
    void* data = in.chunk;
    VstIntPtr size = 0;
    switch (c.chunkStyle) {
    case ChunkStyle::NullData:
        data = nullptr;
        size = c.chunkSize;
        break;
    case ChunkStyle::Negative:
        size = -1 - std::abs(c.chunkSize % 1000);
        break;
    case ChunkStyle::Growing:
        // Widened: a configured size near the top of int must clamp, not overflow.
        size = std::clamp<VstIntPtr>(static_cast<VstIntPtr>(c.chunkSize) + in.grownBy, 0, kChunkCapacity);
        if (in.grownBy < kChunkCapacity) ++in.grownBy;
        break;
    case ChunkStyle::Huge:
        data = nullptr;
        size = static_cast<VstIntPtr>(1) << 40;
        break;
    default:
        size = std::clamp(c.chunkSize, 0, kChunkCapacity);
        break;
    }
    *static_cast<void**>(ptr) = data;
    return size;
}

VstIntPtr rectAnswer(Instance& in, void* ptr) {
    if (!ptr) return 0;
    switch (in.config.rectStyle) {
    case RectStyle::Null:
        *static_cast<ERect**>(ptr) = nullptr;
        return 1;
    case RectStyle::Inverted:
        in.rect = {300, 500, 0, 0};
        break;
    case RectStyle::Extreme:
        in.rect = nextRandom(in) % 2 ? ERect{INT16_MIN, INT16_MIN, INT16_MAX, INT16_MAX}
                                     : ERect{INT16_MAX, INT16_MAX, INT16_MIN, INT16_MIN};
        break;
    case RectStyle::Untouched:
        return 0;
    default:
        in.rect = {0, 0, 300, 500};
        break;
    }
    *static_cast<ERect**>(ptr) = &in.rect;
    return 1;
}

void close(Instance* in) {
    Registry& reg = registry();
    std::lock_guard<std::mutex> hold(reg.lock);
    if (in->editorOpen) ++reg.editorsLeftOpen;
    reg.live.erase(std::remove(reg.live.begin(), reg.live.end(), in), reg.live.end());
    delete in;
}

VstIntPtr dispatch(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float) {
    Instance& in = of(effect);
    reenter(in);
    const Config& c = in.config;
    char normal[32];
    switch (opcode) {
    case effClose:
        close(&in);
        return 0;
    case kPrivateGetParamID:
        std::snprintf(normal, sizeof normal, "p%d", static_cast<int>(index));
        writeText(in, c.idStyle, normal, ptr);
        return 1;
    case effGetParamName:
        std::snprintf(normal, sizeof normal, "Param %d", static_cast<int>(index));
        writeText(in, c.nameStyle, normal, ptr);
        return 0;
    case effGetParameterProperties: {
        if (!ptr || c.propertiesAnswer == 0) return 0;
        auto* properties = static_cast<VstParameterProperties*>(ptr);
        if (c.propertiesAnswer == 2) {
            auto* bytes = reinterpret_cast<uint8_t*>(properties);
            for (size_t i = 0; i < sizeof *properties; ++i) bytes[i] = static_cast<uint8_t>(nextRandom(in));
        } else {
            std::snprintf(properties->label, sizeof properties->label, "Param %d", static_cast<int>(index));
            if (index % 3 == 1) properties->flags |= kVstParameterIsSwitch;
            properties->stepInteger = index % 3 == 1 ? 2 : static_cast<int32_t>(nextRandom(in) % 7) - 1;
        }
        return 1;
    }
    case effCanBeAutomated:
        return chance(in, c.refusePercent) ? 0 : 1;
    case kPrivateGetParamIndex: {
        const char* id = static_cast<const char*>(ptr);
        if (!id || id[0] != 'p') return -1;
        // strtol, not sscanf: the host may hand back any digits, and sscanf's overflow is undefined.
        char* end = nullptr;
        const long found = std::strtol(id + 1, &end, 10);
        if (end == id + 1) return -1;
        return static_cast<VstIntPtr>(std::clamp<long>(found, INT32_MIN, INT32_MAX)) + c.indexOffset;
    }
    case effGetChunk:
        return chunkAnswer(in, ptr);
    case effSetChunk:
        if (ptr && value > 0) std::memcpy(in.chunk, ptr, static_cast<size_t>(std::min<VstIntPtr>(value, kChunkCapacity)));
        return 1;
    case effEditGetRect:
        return rectAnswer(in, ptr);
    case effEditOpen:
        in.editorOpen = true;
        return 0;
    case effEditClose:
        in.editorOpen = false;
        return 0;
    case effProcessEvents: {
        const auto* events = static_cast<const VstEvents*>(ptr);
        if (!events) return 0;
        int32_t notes = 0;
        for (int32_t i = 0; i < events->numEvents && i < 2; ++i)
            if (events->events[i] && events->events[i]->type == kVstMidiType) ++notes;
        return notes > 0 ? 1 : 0;
    }
    default:
        return 0;
    }
}

void setParameter(AEffect* effect, int32_t index, float value) {
    Instance& in = of(effect);
    reenter(in);
    in.values[slot(index)] = value;
}

float getParameter(AEffect* effect, int32_t index) {
    Instance& in = of(effect);
    switch (in.config.valueStyle) {
    case ValueStyle::NaN: return std::numeric_limits<float>::quiet_NaN();
    case ValueStyle::Infinite: return std::numeric_limits<float>::infinity();
    case ValueStyle::Negative: return -5.0f;
    case ValueStyle::Huge: return 1e30f;
    default: return in.values[slot(index)];
    }
}

void processReplacing(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    Instance& in = of(effect);
    reenter(in);
    if (!outputs || frames <= 0) return;
    for (int c = 0; c < 2; ++c) {
        if (!outputs[c]) continue;
        const float* input = inputs ? inputs[c] : nullptr;
        for (int32_t i = 0; i < frames; ++i) outputs[c][i] = input ? input[i] * 0.5f : 0.0f;
    }
}

}  // namespace
}  // namespace chaos

using namespace chaos;

AEffect* korvexVstMain(audioMasterCallback host) {
    auto* in = new Instance;
    in->host = host;
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> hold(reg.lock);
        in->config = reg.next;
        in->random = in->config.seed | 1u;  // the configuration alone decides: a fuzz input replays exactly
    }
    if (in->config.nullFromMain) {
        delete in;
        return nullptr;
    }
    Config& c = in->config;
    c.numParams = std::clamp(c.numParams, -4, kMaxParams);
    for (int32_t i = 0; i < kMaxParams; ++i) in->values[i] = c.numParams > 0 ? static_cast<float>(i) / c.numParams : 0.0f;
    AEffect& e = in->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatch;
    e.setParameter = (c.nullProcedures & 2) ? nullptr : setParameter;
    e.getParameter = (c.nullProcedures & 4) ? nullptr : getParameter;
    e.processReplacing = (c.nullProcedures & 1) ? nullptr : processReplacing;
    e.numPrograms = 1;
    e.numParams = c.numParams;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsHasEditor | effFlagsCanReplacing | effFlagsProgramChunks;
    e.object = in;
    e.uniqueID = 0x43686173;                      // 'Chas'
    e.version = 1;
    // Asks the host from inside main(), before the host has set `user`.
    host(&e, audioMasterVersion, 0, 0, nullptr, 0.0f);
    host(&e, audioMasterAutomate, 0, 0, nullptr, 0.5f);
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> hold(reg.lock);
        reg.live.push_back(in);
    }
    return &e;
}

KORVEX_VST_EXPORT void korvexChaosConfigure(const Config* config) {
    Registry& reg = registry();
    std::lock_guard<std::mutex> hold(reg.lock);
    reg.next = config ? *config : Config{};
}

KORVEX_VST_EXPORT int32_t korvexChaosLiveInstances() {
    Registry& reg = registry();
    std::lock_guard<std::mutex> hold(reg.lock);
    return static_cast<int32_t>(reg.live.size());
}

KORVEX_VST_EXPORT int32_t korvexChaosEditorsLeftOpen() {
    Registry& reg = registry();
    std::lock_guard<std::mutex> hold(reg.lock);
    const int32_t count = reg.editorsLeftOpen;
    reg.editorsLeftOpen = 0;
    return count;
}

KORVEX_VST_EXPORT VstIntPtr korvexChaosCallHost(int32_t which, int32_t opcode, int32_t index, VstIntPtr value,
                                                float opt) {
    Instance* in = nullptr;
    {
        Registry& reg = registry();
        std::lock_guard<std::mutex> hold(reg.lock);
        if (reg.live.empty()) return 0;
        in = reg.live[static_cast<size_t>(static_cast<uint32_t>(which) % reg.live.size())];
    }
    char buffer[kTextRoom] = {};
    return in->host(&in->effect, opcode, index, value, buffer, opt);
}
