// A small, well-behaved instrument and effect — three parameters with ID texts, a chunk, an
// editor, sine voices from MIDI, input times gain — built once as it is (`wellbehaved`) and once
// per fault, each build misbehaving in exactly one way for the validator's tests:
//   KORVEX_FAULT_NAN          `nanout`      writes NaN into every output sample
//   KORVEX_FAULT_ALLOCATE     `allocating`  allocates on the heap in processReplacing
//   KORVEX_FAULT_HANG         `hanging`     loops forever on a chunk that is not its own
//   KORVEX_FAULT_STEREO_ONLY  `stereoonly`  writes its second output channel even when it is null
//   KORVEX_FAULT_CRASH        `crashing`    crashes in the call named by KORVEX_CRASH_IN
//                                           ("main", "effOpen", "processReplacing", "effGetChunk", ...)
//   KORVEX_FAULT_SHARED_STATE `sharedstate` adds noise from one generator all its instances share
//   KORVEX_FAULT_LAST_EVENTS  `lastevents`  keeps only the events of the last effProcessEvents call
//   KORVEX_FAULT_REENCODE     `reencode`    gives back a chunk that counts how often it was loaded
//   KORVEX_FAULT_EDITOR_HANG  `editorhang`  never returns from effEditOpen
//   KORVEX_FAULT_LOCK         `locking`     locks a mutex in processReplacing (on Windows the
//                                           SRW lock a Windows plug-in's std::mutex comes down to)
//   KORVEX_FAULT_SLEEP        `sleeping`    sleeps for a moment in processReplacing (on Windows
//                                           Sleep(1) in every 64th call)
//   KORVEX_FAULT_FILE_WRITE   `filewriting` writes a line to a log file in processReplacing
//   KORVEX_FAULT_OVERRUN      `overrunning` writes its output in whole groups of four frames,
//                                           past the end of a block of any other length
//   KORVEX_FAULT_INPUT_WRITE  `inputwriting` uses its input buffers as scratch space
//   KORVEX_FAULT_OVERREAD     `overreading` reads one input sample past the end of the block
//   KORVEX_FAULT_LATENCY      `latencylie`  delays its input by 32 frames and declares no delay
//     with KORVEX_DECLARE_DELAY `delayed`    the same, declared: no fault, yet the host must be told
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#if (defined(KORVEX_FAULT_LOCK) || defined(KORVEX_FAULT_SLEEP)) && defined(_WIN32)
#include <windows.h>
#endif

#include "plugins/vst_entry.h"

namespace {

constexpr int32_t kUniqueId = 0x57427374;  // 'WBst'
constexpr int32_t kParamCount = 3;
constexpr int32_t kVoices = 8;
constexpr uint8_t kChunkMagic[4] = {'W', 'B', 'S', 'T'};
constexpr size_t kChunkSize = 4 + sizeof(float) * kParamCount;
constexpr double kTwoPi = 6.283185307179586;

struct ParamInfo {
    const char* id;
    const char* name;
    int32_t steps;  // 0: continuous; else a switch with this many steps
    float initial;
};

constexpr ParamInfo kParams[kParamCount] = {
    {"gain", "Gain", 0, 0.5f},
    {"voice_on", "Voices On", 2, 1.0f},
    {"octave", "Octave", 4, 0.0f},
};

struct Voice {
    int32_t key = -1;  // -1: free
    double phase = 0.0;
    double level = 0.0;
    bool releasing = false;
};

struct PendingEvent {
    int32_t frame;
    uint8_t status, data1, data2;
};

#ifdef KORVEX_FAULT_CRASH
// The call to crash in, from the environment. A real fault, not a sanitizer's report of one:
// the tests check what a host makes of the signal.
__attribute__((no_sanitize("undefined"))) bool crashIn(const char* call) {
    const char* chosen = std::getenv("KORVEX_CRASH_IN");
    if (!chosen || std::strcmp(chosen, call) != 0) return false;
    volatile int* nowhere = nullptr;
    return *nowhere == 0;
}
#else
bool crashIn(const char*) { return false; }
#endif

#ifdef KORVEX_FAULT_STEREO_ONLY
// Assumes a host always passes two channels. A real fault, not a sanitizer's report of one.
__attribute__((no_sanitize("undefined"))) void clearFirstSample(float* channel) { *static_cast<float volatile*>(channel) = 0.0f; }
#endif

#ifdef KORVEX_FAULT_SHARED_STATE
// One generator for every instance: what an instance renders depends on what the others did.
std::atomic<uint32_t> gSharedNoise{1};
float sharedNoise() {
    const uint32_t next = gSharedNoise.load() * 1664525u + 1013904223u;
    gSharedNoise.store(next);
    // Far below what counts as sound, yet never the same twice.
    return static_cast<float>(next >> 8) / 16777216.0f * 1e-6f;
}
#else
float sharedNoise() { return 0.0f; }
#endif

struct Plugin {
    AEffect effect{};
    uint8_t loads = 0;  // chunks taken; the reencode build writes it into the chunks it gives
    audioMasterCallback host = nullptr;
    std::atomic<float> values[kParamCount];
    std::atomic<bool> bypassed{false};
    double rate = 44100.0;
    Voice voices[kVoices];
    PendingEvent pending[512];
    int32_t pendingCount = 0;
    int32_t maxBlock = 4096;  // effSetBlockSize
#ifdef KORVEX_FAULT_LATENCY
    static constexpr int32_t kDelay = 32;
    float delayLine[2][kDelay] = {};
    int32_t delayAt = 0;
#endif
    uint8_t chunk[kChunkSize] = {};
    ERect rect = {0, 0, 200, 320};
#ifdef KORVEX_FAULT_LOCK
    // "Protects" the voices from the editor, as plug-ins that lock do. Windows plug-ins are built
    // with Microsoft's runtime, whose std::mutex is an SRW lock taken through kernel32; mingw's
    // own std::mutex would never leave this library while uncontended.
#ifdef _WIN32
    SRWLOCK voicesLock = SRWLOCK_INIT;
#else
    std::mutex voicesLock;
#endif
#endif
#if defined(KORVEX_FAULT_SLEEP) && defined(_WIN32)
    int sleepCountdown = 0;
#endif
#ifdef KORVEX_FAULT_FILE_WRITE
    std::FILE* logFile = std::tmpfile();
    char logBuffer[1024];  // the file's buffer from the start: the fault is the I/O, not the heap
#endif

    Plugin() {
        for (int32_t i = 0; i < kParamCount; ++i) values[i].store(kParams[i].initial);
#ifdef KORVEX_FAULT_FILE_WRITE
        if (logFile) std::setvbuf(logFile, logBuffer, _IOFBF, sizeof logBuffer);
#endif
    }
#ifdef KORVEX_FAULT_FILE_WRITE
    ~Plugin() {
        if (logFile) std::fclose(logFile);
    }
#endif

    // What some plug-ins do on the render thread; nothing, unless built to misbehave.
    void blockInRender(int32_t frames) {
#ifdef KORVEX_FAULT_LOCK
#ifdef _WIN32
        AcquireSRWLockExclusive(&voicesLock);
        ReleaseSRWLockExclusive(&voicesLock);
#else
        std::lock_guard<std::mutex> hold(voicesLock);
#endif
#endif
#ifdef KORVEX_FAULT_SLEEP
#ifdef _WIN32
        // Windows sleeps whole milliseconds (mingw's runtime returns at once from anything
        // shorter, and makes a thread record on the heap for a thread it did not start), so a
        // Sleep of a millisecond now and then, as Windows plug-ins sleep.
        if (sleepCountdown-- == 0) {
            sleepCountdown = 63;
            Sleep(1);
        }
#else
        std::this_thread::sleep_for(std::chrono::microseconds(20));
#endif
#endif
#ifdef KORVEX_FAULT_FILE_WRITE
        if (logFile) {
            std::fprintf(logFile, "rendered %d frames\n", static_cast<int>(frames));
            std::fflush(logFile);
        }
#endif
        (void)frames;
    }

    void reset() {
        for (Voice& voice : voices) voice = Voice{};
        pendingCount = 0;
#ifdef KORVEX_FAULT_LATENCY
        for (auto& line : delayLine)
            for (float& sample : line) sample = 0.0f;
#endif
    }

    void noteOn(int32_t key) {
        Voice* chosen = &voices[0];
        for (Voice& voice : voices)
            if (voice.key < 0) {
                chosen = &voice;
                break;
            }
        *chosen = Voice{key, 0.0, 0.0, false};
    }

    void apply(const PendingEvent& event) {
        const uint8_t kind = event.status & 0xF0;
        if (kind == 0x90 && event.data2 > 0) {
            noteOn(event.data1);
        } else if (kind == 0x80 || kind == 0x90) {
            for (Voice& voice : voices)
                if (voice.key == event.data1) voice.releasing = true;
        } else if (kind == 0xB0 && (event.data1 == 123 || event.data1 == 120)) {
            for (Voice& voice : voices)
                if (voice.key >= 0) voice.releasing = true;
        }
    }

    float voiceSample() {
        if (values[1].load() < 0.5f) return 0.0f;
        const int32_t octave = static_cast<int32_t>(values[2].load() * 3.0f + 0.5f);
        float sum = 0.0f;
        for (Voice& voice : voices) {
            if (voice.key < 0) continue;
            const double frequency = 440.0 * std::pow(2.0, (voice.key - 69) / 12.0 + octave);
            voice.level = voice.releasing ? voice.level * 0.999 : std::min(1.0, voice.level + 0.001);
            sum += static_cast<float>(0.1 * voice.level * std::sin(voice.phase));
            voice.phase = std::fmod(voice.phase + kTwoPi * frequency / rate, kTwoPi);
            if (voice.releasing && voice.level < 1e-5) voice = Voice{};
        }
        return sum;
    }

    void process(float** inputs, float** outputs, int32_t frames) {
        if (crashIn("processReplacing")) return;
        blockInRender(frames);
#ifdef KORVEX_FAULT_ALLOCATE
        std::vector<float> scratch(static_cast<size_t>(frames > 0 ? frames : 1));
        volatile float* keep = scratch.data();
        (void)keep;
#endif
        float* in[2] = {inputs ? inputs[0] : nullptr, inputs ? inputs[1] : nullptr};
        float* out[2] = {outputs ? outputs[0] : nullptr, outputs ? outputs[1] : nullptr};
#ifdef KORVEX_FAULT_STEREO_ONLY
        clearFirstSample(out[1]);
#endif
        const int32_t channels = out[1] ? 2 : 1;
        const float gain = values[0].load() * 2.0f;
        int32_t next = 0;
        for (int32_t i = 0; i < frames; ++i) {
            while (next < pendingCount && pending[next].frame <= i) apply(pending[next++]);
            const float voice = voiceSample();
            for (int32_t c = 0; c < channels; ++c) {
                if (!out[c]) continue;
                float x = in[c] ? in[c][i] : 0.0f;
#ifdef KORVEX_FAULT_LATENCY
                std::swap(x, delayLine[c][delayAt]);
                if (c == channels - 1) delayAt = (delayAt + 1) % kDelay;
#endif
                out[c][i] = bypassed.load() ? x : x * gain + voice + sharedNoise();
#ifdef KORVEX_FAULT_NAN
                out[c][i] = std::nanf("");
#endif
            }
        }
        while (next < pendingCount) apply(pending[next++]);
        pendingCount = 0;
#ifdef KORVEX_FAULT_OVERRUN
        // Vector code that rounds the block up: harmless in a host whose buffers are all maxBlock
        // long, a write past the end in any other.
        for (int32_t c = 0; c < channels; ++c)
            for (int32_t i = frames; i < ((frames + 3) & ~3) && i < maxBlock; ++i)
                if (out[c]) out[c][i] = 0.0f;
#endif
#ifdef KORVEX_FAULT_OVERREAD
        // A filter that looks one sample ahead, on short odd blocks only: every other host buffer
        // the validator's tests use is longer, so only the guarded one shows it.
        for (int32_t c = 0; c < channels; ++c)
            if (in[c] && out[c] && frames % 2 == 1 && frames < 64) out[c][frames - 1] += in[c][frames] * 0.001f;
#endif
#ifdef KORVEX_FAULT_INPUT_WRITE
        for (int32_t c = 0; c < 2; ++c)
            if (in[c] && frames > 0) in[c][frames - 1] = 0.0f;
#endif
    }

    // Events of every effProcessEvents call before a processReplacing are kept, not only the last
    // (unless built to misbehave).
    void queue(const VstEvents* events) {
        if (!events) return;
#ifdef KORVEX_FAULT_LAST_EVENTS
        pendingCount = 0;  // as if every block came in one call
#endif
        for (int32_t i = 0; i < events->numEvents && pendingCount < 512; ++i) {
            const VstEvent* event = events->events[i];
            if (!event || event->type != kVstMidiType) continue;
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
            pending[pendingCount++] = {midi->deltaFrames, static_cast<uint8_t>(midi->midiData[0]),
                                       static_cast<uint8_t>(midi->midiData[1]), static_cast<uint8_t>(midi->midiData[2])};
        }
    }

    VstIntPtr getChunk(void* ptr) {
        if (crashIn("effGetChunk") || !ptr) return 0;
        std::memcpy(chunk, kChunkMagic, 4);
#ifdef KORVEX_FAULT_REENCODE
        chunk[3] = static_cast<uint8_t>('T' + loads);
#endif
        for (int32_t i = 0; i < kParamCount; ++i) {
            const float value = values[i].load();
            std::memcpy(chunk + 4 + sizeof(float) * static_cast<size_t>(i), &value, sizeof value);
        }
        *static_cast<void**>(ptr) = chunk;
        return static_cast<VstIntPtr>(kChunkSize);
    }

    VstIntPtr setChunk(const void* data, VstIntPtr size) {
        if (crashIn("effSetChunk")) return 0;
        const bool own = data && size == static_cast<VstIntPtr>(kChunkSize) && std::memcmp(data, kChunkMagic, 3) == 0;
#ifdef KORVEX_FAULT_HANG
        // A parser that never gives up on data it does not understand.
        for (volatile bool searching = !own; searching;) {
        }
#endif
        if (!own) return 0;
        ++loads;
        for (int32_t i = 0; i < kParamCount; ++i) {
            float value = 0.0f;
            std::memcpy(&value, static_cast<const uint8_t*>(data) + 4 + sizeof(float) * static_cast<size_t>(i), sizeof value);
            if (std::isfinite(value)) values[i].store(std::fmin(1.0f, std::fmax(0.0f, value)));
        }
        return 1;
    }

    VstIntPtr dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt);
};

Plugin* of(AEffect* effect) { return effect ? static_cast<Plugin*>(effect->object) : nullptr; }

bool validParam(int32_t index) { return index >= 0 && index < kParamCount; }

void copyText(void* to, size_t capacity, const char* from) {
    if (!to || capacity == 0) return;
    std::strncpy(static_cast<char*>(to), from, capacity - 1);
    static_cast<char*>(to)[capacity - 1] = '\0';
}

VstIntPtr Plugin::dispatch(int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    switch (opcode) {
    case effOpen:
        crashIn("effOpen");
        return 0;
    case effClose:
        delete this;
        return 0;
    case effSetSampleRate:
        if (opt >= 1000.0f) rate = opt;
        return 0;
    case effSetBlockSize:
        if (value > 0 && value <= 1 << 20) maxBlock = static_cast<int32_t>(value);
        return 0;
    case effMainsChanged:
        if (value) reset();
        return 0;
    case effGetChunk: return getChunk(ptr);
    case effSetChunk: return setChunk(ptr, value);
    case effProcessEvents:
        queue(static_cast<const VstEvents*>(ptr));
        return 1;
    case effSetBypass:
        bypassed.store(value != 0);
        return 1;
    case effCanBeAutomated: return validParam(index) ? 1 : 0;
    case effGetParamName:
        if (validParam(index)) copyText(ptr, 9, kParams[index].name);
        return 0;
    case effGetParameterProperties: {
        if (!validParam(index) || !ptr) return 0;
        auto* properties = static_cast<VstParameterProperties*>(ptr);
        copyText(properties->label, sizeof properties->label, kParams[index].name);
        if (kParams[index].steps > 0) {
            properties->flags |= kVstParameterIsSwitch;
            properties->stepInteger = kParams[index].steps;
        }
        return 1;
    }
    case kPrivateGetParamID:
        if (!validParam(index) || !ptr) return 0;
        copyText(ptr, value > 0 ? static_cast<size_t>(value) : 32, kParams[index].id);
        return 1;
    case kPrivateGetParamIndex:
        for (int32_t i = 0; ptr && i < kParamCount; ++i)
            if (std::strcmp(kParams[i].id, static_cast<const char*>(ptr)) == 0) return i;
        return -1;
    case effEditGetRect:
        if (!ptr) return 0;
        *static_cast<ERect**>(ptr) = &rect;
        return 1;
    case effEditOpen:
        crashIn("effEditOpen");
#ifdef KORVEX_FAULT_EDITOR_HANG
        // An editor waiting for something the host will never send.
        for (volatile bool waiting = true; waiting;) {
        }
#endif
        return 1;
    case effEditClose:
        crashIn("effEditClose");
        return 1;
    case effEditIdle:
        crashIn("effEditIdle");
        return 1;
    default:
        return 0;
    }
}

VstIntPtr dispatchEntry(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    Plugin* plugin = of(effect);
    return plugin ? plugin->dispatch(opcode, index, value, ptr, opt) : 0;
}

void processEntry(AEffect* effect, float** inputs, float** outputs, int32_t frames) {
    if (Plugin* plugin = of(effect)) plugin->process(inputs, outputs, frames);
}

void setParameterEntry(AEffect* effect, int32_t index, float value) {
    Plugin* plugin = of(effect);
    if (crashIn("setParameter") || !plugin || !validParam(index) || std::isnan(value)) return;
    plugin->values[index].store(std::fmin(1.0f, std::fmax(0.0f, value)));
}

float getParameterEntry(AEffect* effect, int32_t index) {
    Plugin* plugin = of(effect);
    return plugin && validParam(index) ? plugin->values[index].load() : 0.0f;
}

}  // namespace

AEffect* korvexVstMain(audioMasterCallback host) {
    if (crashIn("main")) return nullptr;
    auto* plugin = new Plugin;
    plugin->host = host;
    AEffect& effect = plugin->effect;
    effect.magic = kEffectMagic;
    effect.dispatcher = dispatchEntry;
    effect.processReplacing = processEntry;
    effect.setParameter = setParameterEntry;
    effect.getParameter = getParameterEntry;
    effect.numPrograms = 1;
    effect.numParams = kParamCount;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.flags = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsHasEditor | effFlagsIsSynth;
    effect.object = plugin;
#ifdef KORVEX_DECLARE_DELAY
    effect.initialDelay = Plugin::kDelay;
#endif
    effect.uniqueID = kUniqueId;
    effect.version = 1;
    return &effect;
}
