// The built module driven through the simulated host by random sequences of host calls: objects
// created and released, Initialize and Uninitialize in any order, every effect-parameters and
// editor slot with edge-case arguments, render batches and chunk records with absurd sizes, against
// the chaos plug-in misbehaving as the input says. After each input every host reference must be
// back, no module object alive and every plug-in instance closed, none with its editor still open. The host behaves as
// KORVEX_HOST_PERSONALITY says (plain when unset): its own lock around its main-thread calls,
// synchronous automation, Initialize again after rendering, editors let go before detaching,
// each render call on a fresh thread, failing packet posts, a transport flipping every call.
#include <fuzzer/FuzzedDataProvider.h>


#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "acf/result_codes.h"
#include "editor/aax_iacf_effect_gui.h"
#include "host/host_iids.h"
#include "parameters/aax_iacf_effect_parameters.h"
#include "parameters/aax_iparameter.h"
#include "plugins/faulty/chaos_control.h"
#include "simhost/dynamic_library.h"
#include "simhost/host_lock.h"
#include "simhost/host_object.h"
#include "simhost/host_personality.h"
#include "simhost/render_context_builder.h"
#include "simhost/render_driver.h"
#include "simhost/sim_editor.h"
#include "simhost/sim_host.h"
#include "simhost/sim_instance_unknown.h"
#include "simhost/sim_view_container.h"
#include "simhost/vst_install.h"
#include "util/aax_string.h"

namespace {

constexpr int32_t kMaxFrames = 256;
constexpr size_t kSlots = 3;            // instances and editors alive at once, each
constexpr size_t kMaxOperations = 96;
constexpr uint32_t kMaxChunkRecord = 1u << 20;  // the host allocates no larger chunk records

void require(bool condition, const char* what) {
    if (condition) return;
    std::fprintf(stderr, "host_calls_fuzz: %s\n", what);
    std::abort();
}

// The module, the chaos plug-in and the host stay loaded for the whole run: loading the
// instrumented module once per input would be slow and would re-register its coverage.
struct Session {
    Session()
        : install(simhost::VstInstall::forPath(KORVEX_FUZZ_HOST_DIR "/chaos.so")),
          host(KORVEX_FUZZ_HOST_DIR "/KORVEX.aaxplugin") {
        std::fprintf(stderr, "host_calls_fuzz: host personality %s\n", host.personality().name().c_str());
        lock = host.lockFor(host.personality());
        require(host.startup() == 0, "ACFStartup failed");
        host.describe();
        chaosLibrary = simhost::openLibrary(install.libraryPath());
        require(chaosLibrary != nullptr, "chaos.so does not load");
        configure = reinterpret_cast<KorvexChaosConfigureProc>(simhost::librarySymbol(chaosLibrary, "korvexChaosConfigure"));
        liveInstances = reinterpret_cast<KorvexChaosLiveInstancesProc>(simhost::librarySymbol(chaosLibrary, "korvexChaosLiveInstances"));
        callHost = reinterpret_cast<KorvexChaosCallHostProc>(simhost::librarySymbol(chaosLibrary, "korvexChaosCallHost"));
        editorsLeftOpen =
            reinterpret_cast<KorvexChaosEditorsLeftOpenProc>(simhost::librarySymbol(chaosLibrary, "korvexChaosEditorsLeftOpen"));
        require(configure && liveInstances && callHost && editorsLeftOpen, "chaos.so lacks its hooks");
        hostObjects = simhost::liveHostObjects();
    }
    simhost::VstInstall install;
    simhost::SimHost host;
    simhost::HostLock* lock = nullptr;  // the host's own lock when its personality has one
    void* chaosLibrary = nullptr;
    KorvexChaosConfigureProc configure = nullptr;
    KorvexChaosLiveInstancesProc liveInstances = nullptr;
    KorvexChaosCallHostProc callHost = nullptr;
    KorvexChaosEditorsLeftOpenProc editorsLeftOpen = nullptr;
    int32_t hostObjects = 0;
};

Session& session() {
    static Session* s = new Session;  // never destroyed: the module stays loaded until exit
    return *s;
}

double pickValue(FuzzedDataProvider& in) {
    static constexpr double kValues[] = {0.0, 1.0, 0.5, -1.0, 2.0, -0.0, 1e300, -1e300, 4.9e-324,
                                         std::numeric_limits<double>::quiet_NaN(),
                                         std::numeric_limits<double>::infinity(),
                                         -std::numeric_limits<double>::infinity()};
    if (in.ConsumeBool()) return in.ConsumeFloatingPoint<double>();
    return kValues[in.ConsumeIntegralInRange<size_t>(0, sizeof kValues / sizeof kValues[0] - 1)];
}

float pickFloat(FuzzedDataProvider& in) {
    static constexpr float kValues[] = {0.0f, 10.7f, -1.0f, 1e9f, -1e9f, 32767.5f, -32768.5f,
                                        std::numeric_limits<float>::quiet_NaN(),
                                        std::numeric_limits<float>::infinity()};
    if (in.ConsumeBool()) return in.ConsumeFloatingPoint<float>();
    return kValues[in.ConsumeIntegralInRange<size_t>(0, sizeof kValues / sizeof kValues[0] - 1)];
}

chaos::Config pickChaos(FuzzedDataProvider& in) {
    chaos::Config c;
    c.numParams = in.ConsumeIntegralInRange<int32_t>(-4, 24);
    c.seed = in.ConsumeIntegral<uint32_t>();
    c.idStyle = static_cast<chaos::TextStyle>(in.ConsumeIntegralInRange<int>(0, int(chaos::TextStyle::Count) - 1));
    c.nameStyle = static_cast<chaos::TextStyle>(in.ConsumeIntegralInRange<int>(0, int(chaos::TextStyle::Count) - 1));
    c.propertiesAnswer = in.ConsumeIntegralInRange<uint8_t>(0, 2);
    c.chunkStyle = static_cast<chaos::ChunkStyle>(in.ConsumeIntegralInRange<int>(0, int(chaos::ChunkStyle::Count) - 1));
    c.chunkSize = in.ConsumeBool() ? in.ConsumeIntegral<int32_t>() : in.ConsumeIntegralInRange<int32_t>(0, 64);
    c.rectStyle = static_cast<chaos::RectStyle>(in.ConsumeIntegralInRange<int>(0, int(chaos::RectStyle::Count) - 1));
    c.valueStyle = static_cast<chaos::ValueStyle>(in.ConsumeIntegralInRange<int>(0, int(chaos::ValueStyle::Count) - 1));
    c.reentryPercent = in.ConsumeIntegralInRange<uint8_t>(0, 100);
    c.refusePercent = in.ConsumeIntegralInRange<uint8_t>(0, 100);
    c.nullProcedures = in.ConsumeIntegralInRange<uint8_t>(0, 7);
    c.indexOffset = in.ConsumeBool() ? 0 : in.ConsumeIntegral<int32_t>();
    c.nullFromMain = in.ConsumeIntegralInRange<uint8_t>(0, 15) == 0 ? 1 : 0;
    return c;
}

// One effect instance as the host holds it: its services, unknown, render context and the
// module's object, with the set-value requests the module posted, to be answered later.
class Instance {
public:
    Instance(simhost::SimHost& host, simhost::HostLock* lock, int32_t stem, float sampleRate)
        : builder(stem, kMaxFrames),
          controller(new simhost::SimController),
          automation(new simhost::SimAutomation),
          transport(new simhost::SimTransportService) {
        controller->setSampleRate(sampleRate);
        controller->setStemFormats(stem, stem);
        controller->setPacketSink([this](uint32_t field, const void* data, uint32_t size) {
            return builder.postPacket(field, data, size);
        });
        const simhost::HostPersonality& personality = host.personality();
        controller->setHostLock(lock);
        automation->setHostLock(lock);
        transport->setHostLock(lock);
        controller->setFailingPackets(personality.failingPackets);
        transport->setFlipping(personality.flippingTransport);
        builder.setFlippingTransport(personality.flippingTransport);
        answerAtOnce = personality.synchronousAutomation;
        automation->setSetValueHook([this](const std::string& id, double value) {
            // Some hosts answer a request inside the call that made it, through slot 29.
            if (answerAtOnce && parameters && depth < 2) {
                ++depth;
                parameters->UpdateParameterNormalizedValue(id.c_str(), value, 0);
                --depth;
            } else if (requests.size() < 64) {
                requests.emplace_back(id, value);
            }
        });
        object = host.factoryCallback(0) ? host.factoryCallback(0)() : nullptr;
        if (object) {
            object->AddRef();
            void* answered = nullptr;
            object->QueryInterface(IID_IACFEffectParameters, &answered);
            parameters = static_cast<AAX_IACFEffectParameters*>(answered);
            answered = nullptr;
            object->QueryInterface(IID_IACFEffectParametersV2, &answered);
            parametersV2 = static_cast<AAX_IACFEffectParameters_V2*>(answered);
        }
        simhost::InstanceServices services;
        services.controller = controller;
        services.transport = transport;
        services.automation = automation;
        if (object) {
            services.extras.emplace_back(IID_IACFEffectParameters, object);
            services.extras.emplace_back(IID_IACFEffectParametersV2, object);
        }
        unknown = new simhost::SimInstanceUnknown(services);
    }
    ~Instance() {
        // An editor may keep the module's object, and with it these services, beyond this instance.
        automation->setSetValueHook([](const std::string&, double) {});
        controller->setPacketSink([](uint32_t, const void*, uint32_t) { return 0; });
        if (parametersV2) parametersV2->Release();
        if (parameters) parameters->Release();
        if (object) object->Release();
        unknown->Release();
        controller->Release();
        automation->Release();
        transport->Release();
    }
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    simhost::RenderContextBuilder builder;
    simhost::SimController* controller;
    simhost::SimAutomation* automation;
    simhost::SimTransportService* transport;
    simhost::SimInstanceUnknown* unknown = nullptr;
    IACFUnknown* object = nullptr;
    AAX_IACFEffectParameters* parameters = nullptr;
    AAX_IACFEffectParameters_V2* parametersV2 = nullptr;
    std::vector<std::pair<std::string, double>> requests;
    bool answerAtOnce = false;
    int32_t depth = 0;
    uint32_t reportedChunkSize = 0;
    bool sizeReported = false;
};

class Editor {
public:
    explicit Editor(simhost::SimHost& host) {
        object = host.factoryCallback(1) ? host.factoryCallback(1)() : nullptr;
        if (!object) return;
        object->AddRef();
        void* answered = nullptr;
        object->QueryInterface(IID_IACFEffectGUI, &answered);
        gui = static_cast<AAX_IACFEffectGUI*>(answered);
    }
    ~Editor() {
        if (gui) gui->Release();
        if (object) object->Release();
        if (container) container->Release();
    }
    Editor(const Editor&) = delete;
    Editor& operator=(const Editor&) = delete;

    IACFUnknown* object = nullptr;
    AAX_IACFEffectGUI* gui = nullptr;
    simhost::SimViewContainer* container = nullptr;  // the last one attached, ours to release
    std::array<char, 16> window{};
};

class Run {
public:
    explicit Run(FuzzedDataProvider& input) : in(input), s(session()) {}

    void operate() {
        for (size_t n = 0; n < kMaxOperations && in.remaining_bytes() > 0; ++n) {
            const int operation = in.ConsumeIntegralInRange<int>(0, 13);
            // Render calls and the plug-in's own calls come from threads other than the host's main
            // one: they never hold its lock.
            const bool mainThread = operation != 7 && operation != 13;
            const simhost::HostLock::Hold hold(mainThread ? s.lock : nullptr);
            switch (operation) {
            case 0: create(); break;
            case 1: release(); break;
            case 2: initialize(); break;
            case 3: if (Instance* i = pickInstance()) i->parameters->Uninitialize(); break;
            case 4: parameterSlot(); break;
            case 5: chunkSlots(); break;
            case 6: answerRequests(); break;
            case 7: render(); break;
            case 8: createEditor(); break;
            case 9: initializeEditor(); break;
            case 10: attach(); break;
            case 11: editorSlot(); break;
            case 12: releaseEditor(); break;
            default: pluginCallsHost(); break;
            }
        }
    }

    // Everything the host holds goes, in an order the input picks; then nothing may be left.
    void finish() {
        const simhost::HostLock::Hold hold(s.lock);
        const bool editorsFirst = in.ConsumeBool();
        if (editorsFirst)
            for (auto& editor : editors) editor.reset();
        for (auto& instance : instances) {
            if (instance && instance->parameters && in.ConsumeBool()) instance->parameters->Uninitialize();
            instance.reset();
        }
        for (auto& editor : editors) editor.reset();
        require(s.host.canUnloadNow() == 0, "module objects are alive after the host let go of everything");
        require(simhost::liveHostObjects() == s.hostObjects, "host references were not given back");
        require(s.liveInstances() == 0, "a plug-in instance was never closed");
        // Whatever order the host let go in, the plug-in's editor is closed before the plug-in is.
        require(s.editorsLeftOpen() == 0, "a plug-in instance was closed with its editor still open");
    }

private:
    template <class T>
    T* pick(std::array<std::unique_ptr<T>, kSlots>& slots) {
        return slots[in.ConsumeIntegralInRange<size_t>(0, kSlots - 1)].get();
    }
    Instance* pickInstance() {
        Instance* i = pick(instances);
        return i && i->parameters ? i : nullptr;
    }

    // The IDs hosts send: null, empty, unknown, over-long, and the instance's own.
    const char* pickId(Instance& instance) {
        switch (in.ConsumeIntegralInRange<int>(0, 5)) {
        case 0: return nullptr;
        case 1: return "";
        case 2: return "no such parameter";
        case 3:
            longId.assign(in.ConsumeIntegralInRange<size_t>(32, 600), 'p');
            return longId.c_str();
        case 4:
            text = in.ConsumeRandomLengthString(64);
            return text.c_str();
        default: {
            AAX_CString id;
            instance.parameters->GetParameterIDFromIndex(in.ConsumeIntegralInRange<int32_t>(-1, 30), &id);
            text = id.StdString();
            return text.c_str();
        }
        }
    }

    void create() {
        const size_t at = in.ConsumeIntegralInRange<size_t>(0, kSlots - 1);
        if (instances[at]) return;
        const chaos::Config config = pickChaos(in);
        s.configure(&config);
        static constexpr float kRates[] = {48000.0f, 44100.5f, 0.0f, -1.0f, 1e9f};
        const float rate = kRates[in.ConsumeIntegralInRange<size_t>(0, 4)];
        instances[at] = std::make_unique<Instance>(s.host, s.lock, in.ConsumeBool() ? simhost::kStemStereo : simhost::kStemMono, rate);
        s.configure(nullptr);
        if (!instances[at]->parameters) instances[at].reset();
        else instances[at]->answerAtOnce = in.ConsumeBool() || s.host.personality().synchronousAutomation;
    }

    void release() {
        auto& slot = instances[in.ConsumeIntegralInRange<size_t>(0, kSlots - 1)];
        if (slot && slot->parameters && in.ConsumeBool()) slot->parameters->Uninitialize();
        slot.reset();
    }

    void initialize() {
        Instance* i = pickInstance();
        if (!i) return;
        // Its own unknown or none: an object initialised with another instance's unknown would post
        // its plug-in into that instance's render context, which a host renders after this object
        // may be gone; no module can survive that.
        i->parameters->Initialize(in.ConsumeIntegralInRange<int>(0, 3) == 0 ? nullptr : i->unknown);
    }

    void parameterSlot() {
        Instance* i = pickInstance();
        if (!i) return;
        AAX_IACFEffectParameters& p = *i->parameters;
        const bool outputs = in.ConsumeIntegralInRange<int>(0, 7) != 0;  // a null output now and then
        double value = 0.0;
        int32_t number = 0;
        uint8_t flag = 0;
        AAX_CString string;
        AAX_CString* stringOut = outputs ? &string : nullptr;
        const int slot = in.ConsumeIntegralInRange<int>(5, 47);
        const char* id = slot == 5 || slot == 6 || slot == 7 || slot >= 31 ? nullptr : pickId(*i);
        switch (slot) {
        case 5: {
            uint8_t payload[16] = {};
            const size_t given = in.ConsumeData(payload, sizeof payload);
            const bool preview = in.ConsumeBool();
            p.ReceiveNotification(preview ? 0x41535076u : in.ConsumeIntegral<uint32_t>(), in.ConsumeBool() ? payload : nullptr,
                                  static_cast<uint32_t>(given));
            break;
        }
        case 6: p.GetNumberOfParameters(outputs ? &number : nullptr); break;
        case 7: p.GetMasterBypassID(stringOut); break;
        case 8: p.GetParameterIsAutomatable(id, outputs ? &flag : nullptr); break;
        case 9: p.GetParameterNumberOfSteps(id, outputs ? &number : nullptr); break;
        case 10: p.GetParameterName(id, stringOut); break;
        case 11: p.GetParameterNameOfLength(id, stringOut, in.ConsumeIntegralInRange<int32_t>(-2, 300)); break;
        case 12: p.GetParameterDefaultNormalizedValue(id, outputs ? &value : nullptr); break;
        case 13: p.SetParameterDefaultNormalizedValue(id, pickValue(in)); break;
        case 14: p.GetParameterType(id, outputs ? &number : nullptr); break;
        case 15: p.GetParameterHostAttribute(id, outputs ? &number : nullptr); break;
        case 16: {
            AAX_IParameter* parameter = nullptr;
            p.GetParameter(id, outputs ? &parameter : nullptr);
            // The object stays the module's; a host may look at it at once.
            if (parameter) {
                value = parameter->GetNormalizedValue();
                AAX_CString shown;
                parameter->GetValueString(in.ConsumeIntegralInRange<int32_t>(-1, 40), &shown);
            }
            break;
        }
        case 17: p.GetParameterIndex(id, outputs ? &number : nullptr); break;
        case 18: p.GetParameterIDFromIndex(in.ConsumeIntegral<int32_t>(), stringOut); break;
        case 19: p.QueryParameterInfo(id, in.ConsumeIntegral<int32_t>(), outputs ? &number : nullptr); break;
        case 20: {
            const AAX_CString typed(in.ConsumeRandomLengthString(80).c_str());
            p.GetParameterValueFromString(id, outputs ? &value : nullptr, in.ConsumeBool() ? &typed : nullptr);
            break;
        }
        case 21: p.GetParameterStringFromValue(id, pickValue(in), stringOut, in.ConsumeIntegralInRange<int32_t>(-2, 300)); break;
        case 22: p.GetParameterValueString(id, stringOut, in.ConsumeIntegralInRange<int32_t>(-2, 300)); break;
        case 23: p.GetParameterNormalizedValue(id, outputs ? &value : nullptr); break;
        case 24: p.SetParameterNormalizedValue(id, pickValue(in)); break;
        case 25: p.SetParameterNormalizedRelative(id, pickValue(in)); break;
        case 26: p.TouchParameter(id); break;
        case 27: p.ReleaseParameter(id); break;
        case 28: p.Slot28(id); break;
        case 29: p.UpdateParameterNormalizedValue(id, pickValue(in), in.ConsumeIntegral<int32_t>()); break;
        case 30: p.UpdateParameterNormalizedRelative(id, pickValue(in)); break;
        case 31: p.DispatchParameterPackets(); break;
        case 32: {
            uint8_t block[64] = {};
            const bool given = in.ConsumeBool();
            p.ClearFieldData(in.ConsumeIntegral<uint32_t>(), given ? block : nullptr,
                             given ? in.ConsumeIntegralInRange<uint32_t>(0, sizeof block) : in.ConsumeIntegral<uint32_t>());
            break;
        }
        case 33: p.GetNumberOfChunks(outputs ? &number : nullptr); break;
        case 34: {
            uint32_t chunkId = 0;
            p.GetChunkIDFromIndex(in.ConsumeIntegralInRange<int32_t>(-2, 3), outputs ? &chunkId : nullptr);
            break;
        }
        case 35: case 36: case 37: case 38: chunkSlots(); break;
        case 39: p.GetNumberOfChanges(outputs ? &number : nullptr); break;
        default: {
            if (!i->parametersV2) break;
            AAX_IACFEffectParameters_V2& v2 = *i->parametersV2;
            uint32_t size = 7;
            switch (slot) {
            case 40: v2.Slot40(nullptr); break;
            case 41: v2.Slot41(nullptr); break;
            case 42: v2.Slot42(nullptr, nullptr, nullptr, outputs ? &size : nullptr); break;
            case 43: v2.Slot43(nullptr); break;
            case 44: v2.Slot44(nullptr); break;
            case 45: v2.Slot45(nullptr); break;
            case 46: v2.Slot46(nullptr); break;
            default: v2.Slot47(nullptr); break;
            }
            break;
        }
        }
    }

    // Chunk records as hosts build them, and as they should not: sizes negative, zero, too large
    // for the data, mismatched with what was reported. A record always holds the bytes its host
    // allocated for it (a header and max(size field, 0) bytes, at most kMaxChunkRecord).
    void chunkSlots() {
        Instance* i = pickInstance();
        if (!i) return;
        AAX_IACFEffectParameters& p = *i->parameters;
        uint32_t chunkId = 0;
        p.GetChunkIDFromIndex(0, &chunkId);
        if (in.ConsumeIntegralInRange<int>(0, 3) == 0) chunkId = in.ConsumeBool() ? 0x656C636Bu : in.ConsumeIntegral<uint32_t>();
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0: {
            uint32_t size = 0;
            if (p.GetChunkSize(chunkId, in.ConsumeBool() ? &size : nullptr) == kResultSuccess) {
                i->reportedChunkSize = std::max(i->reportedChunkSize, size);
                i->sizeReported = true;
            }
            break;
        }
        case 1: {
            // The record the host allocates from the largest size it was ever told.
            if (!i->sizeReported || i->reportedChunkSize > kMaxChunkRecord) break;
            std::vector<uint8_t> record(kChunkHeaderSize + i->reportedChunkSize, 0xA5);
            auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
            chunk->fSize = static_cast<int32_t>(i->reportedChunkSize);
            p.GetChunk(chunkId, in.ConsumeIntegralInRange<int>(0, 7) ? chunk : nullptr);
            break;
        }
        default: {
            const std::string data = in.ConsumeRandomLengthString(512);
            int32_t sizeField = static_cast<int32_t>(data.size());
            switch (in.ConsumeIntegralInRange<int>(0, 3)) {
            case 0: sizeField = -in.ConsumeIntegralInRange<int32_t>(1, std::numeric_limits<int32_t>::max()); break;
            case 1: sizeField = 0; break;
            case 2: sizeField = std::numeric_limits<int32_t>::min(); break;
            default: break;
            }
            std::vector<uint8_t> record(kChunkHeaderSize + data.size() + 1, 0);
            auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
            chunk->fSize = sizeField;
            chunk->fChunkID = chunkId;
            chunk->fVersion = in.ConsumeIntegral<int32_t>();
            if (!data.empty()) std::memcpy(record.data() + kChunkHeaderSize, data.data(), data.size());
            if (in.ConsumeBool()) {
                p.SetChunk(chunkId, in.ConsumeIntegralInRange<int>(0, 7) ? chunk : nullptr);
            } else {
                uint8_t equal = 0;
                p.CompareChunk(in.ConsumeIntegralInRange<int>(0, 7) ? chunk : nullptr, in.ConsumeBool() ? &equal : nullptr);
            }
            break;
        }
        }
    }

    void answerRequests() {
        Instance* i = pickInstance();
        if (!i) return;
        std::vector<std::pair<std::string, double>> due;
        due.swap(i->requests);
        for (const auto& [id, value] : due) i->parameters->UpdateParameterNormalizedValue(id.c_str(), value, 0);
    }

    void render() {
        std::vector<simhost::RenderContextBuilder*> batch;
        std::vector<Instance*> rendered;
        const size_t count = in.ConsumeIntegralInRange<size_t>(1, kSlots + 1);
        for (size_t n = 0; n < count; ++n) {
            Instance* i = pick(instances);
            if (!i || in.ConsumeIntegralInRange<int>(0, 7) == 0) {
                batch.push_back(nullptr);
                continue;
            }
            simhost::RenderContextBuilder& context = i->builder;
            context.setFrames(in.ConsumeIntegralInRange<int32_t>(0, kMaxFrames));
            simhost::SimTransport& transport = context.transport();
            transport.setPlaying(in.ConsumeBool());
            transport.setLocation(in.ConsumeIntegralInRange<int64_t>(-(int64_t{1} << 40), int64_t{1} << 40));
            transport.setTempo(in.ConsumeIntegralInRange<int>(0, 7) ? 120.0 : pickValue(in));
            transport.setMeter(in.ConsumeIntegralInRange<int32_t>(-1, 16), in.ConsumeIntegralInRange<int32_t>(-1, 32));
            for (int q = 0; q < 5; ++q)
                transport.setFailing(static_cast<simhost::SimTransport::Query>(q), in.ConsumeIntegralInRange<int>(0, 5) == 0);
            context.setTransportAvailable(in.ConsumeIntegralInRange<int>(0, 5) != 0);
            context.setMidiInputAttached(in.ConsumeIntegralInRange<int>(0, 5) != 0);
            context.midiInput().clear();
            for (int m = in.ConsumeIntegralInRange<int>(0, 4); m > 0; --m)
                context.midiInput().addPacket(in.ConsumeIntegral<uint32_t>() % (kMaxFrames + 8), in.ConsumeIntegral<uint8_t>(),
                                              in.ConsumeIntegral<uint8_t>(), in.ConsumeIntegral<uint8_t>());
            batch.push_back(&context);
            rendered.push_back(i);
        }
        simhost::RenderDriver driver(s.host.renderCallback());
        driver.setFreshThreads(s.host.personality().freshRenderThreads);
        driver.render(batch);
        // Hosts that run Initialize again on an instance they render: between its render calls here.
        if (!s.host.personality().repeatedInitialize) return;
        const simhost::HostLock::Hold hold(s.lock);
        for (Instance* i : rendered)
            if (i->parameters) i->parameters->Initialize(i->unknown);
    }

    void createEditor() {
        auto& slot = editors[in.ConsumeIntegralInRange<size_t>(0, kSlots - 1)];
        if (slot) return;
        slot = std::make_unique<Editor>(s.host);
        if (!slot->gui) slot.reset();
    }

    void initializeEditor() {
        Editor* e = pick(editors);
        if (!e) return;
        IACFUnknown* unknown = nullptr;
        if (in.ConsumeIntegralInRange<int>(0, 5) != 0)
            if (Instance* i = pick(instances)) unknown = i->unknown;
        e->gui->Initialize(unknown);
    }

    void attach() {
        Editor* e = pick(editors);
        if (!e) return;
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            e->gui->AttachViewContainer(nullptr);
            break;
        case 1: {
            // An unknown that answers no view container at all.
            simhost::InstanceServices nothing;
            auto* bare = new simhost::SimInstanceUnknown(nothing);
            e->gui->AttachViewContainer(bare);
            bare->Release();
            break;
        }
        default: {
            static constexpr int32_t kKinds[] = {simhost::kContainerNativeWindow, simhost::kContainerNone, 1, 7};
            const int32_t kind = kKinds[in.ConsumeIntegralInRange<size_t>(0, 3)];
            auto* container = new simhost::SimViewContainer(kind, in.ConsumeBool() ? e->window.data() : nullptr);
            if (s.host.personality().editorReleasedFirst) {
                // The module's reference is the container's last; it takes the window with it.
                container->destroyWindowWithLastReference(nullptr, {});
                e->gui->AttachViewContainer(container);
                container->Release();
                break;
            }
            e->gui->AttachViewContainer(container);
            if (e->container) e->container->Release();
            e->container = container;
            break;
        }
        }
    }

    void editorSlot() {
        Editor* e = pick(editors);
        if (!e) return;
        AAX_IACFEffectGUI& gui = *e->gui;
        switch (in.ConsumeIntegralInRange<int>(0, 7)) {
        case 0: {
            AAX_Point size{};
            gui.QueryViewSize(in.ConsumeIntegralInRange<int>(0, 7) ? &size : nullptr);
            break;
        }
        case 1: {
            AAX_Rect area{pickFloat(in), pickFloat(in), pickFloat(in), pickFloat(in)};
            gui.RedrawRect(in.ConsumeIntegralInRange<int>(0, 7) ? &area : nullptr);
            break;
        }
        case 2: gui.TimerTick(); break;
        case 3: {
            text = in.ConsumeRandomLengthString(300);
            gui.ParameterChanged(in.ConsumeBool() ? text.c_str() : nullptr);
            break;
        }
        case 4: gui.Slot5(nullptr); break;
        case 5: gui.Slot11(nullptr); break;
        case 6: gui.Slot12(nullptr); break;
        default: gui.Uninitialize(); break;
        }
    }

    void releaseEditor() {
        auto& slot = editors[in.ConsumeIntegralInRange<size_t>(0, kSlots - 1)];
        if (!slot) return;
        if (s.host.personality().editorReleasedFirst) {
            // Uninitialised, or not, and let go without ever detaching its view.
            if (in.ConsumeBool()) slot->gui->Uninitialize();
            slot.reset();
            return;
        }
        if (in.ConsumeBool()) slot->gui->AttachViewContainer(nullptr);
        if (in.ConsumeBool()) slot->gui->Uninitialize();
        slot.reset();
    }

    // The plug-in's own thread, here on the host's: any request, for any index, with any value.
    void pluginCallsHost() {
        static constexpr int32_t kOpcodes[] = {audioMasterAutomate,      audioMasterBeginEdit, audioMasterEndEdit,
                                               audioMasterUpdateDisplay, audioMasterGetTime,   audioMasterGetSampleRate,
                                               audioMasterSizeWindow,    audioMasterGetVendorString};
        const int32_t opcode = in.ConsumeBool() ? kOpcodes[in.ConsumeIntegralInRange<size_t>(0, 7)] : in.ConsumeIntegral<int32_t>();
        s.callHost(in.ConsumeIntegral<int32_t>(), opcode, in.ConsumeIntegralInRange<int32_t>(-3, 30),
                   in.ConsumeIntegral<int32_t>(), static_cast<float>(pickValue(in)));
    }

    FuzzedDataProvider& in;
    Session& s;
    std::array<std::unique_ptr<Instance>, kSlots> instances;
    std::array<std::unique_ptr<Editor>, kSlots> editors;
    std::string longId;
    std::string text;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    Run run(input);
    run.operate();
    run.finish();
    return 0;
}
