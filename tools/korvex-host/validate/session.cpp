// The simulated host a check runs in, its instances, and the directly hosted twin of the plug-in.
#include "tools/korvex-host/validate/session.h"

#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "acf/result_codes.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/fault_report.h"

namespace korvex_validate {
namespace {

template <class Proc>
Proc symbol(void* library, const char* name, const std::string& path) {
    auto proc = reinterpret_cast<Proc>(simhost::librarySymbol(library, name));
    if (!proc) throw std::runtime_error("the probe library " + path + " lacks " + name);
    return proc;
}

// The probe brackets every call into the plug-in with these: a crash names the call, and heap
// calls made inside it are the plug-in's own.
void enterPlugin(const char* call) {
    korvex_host::enterFaultCall(call);
    enterPluginCall();
    enterPluginBlockingScope();
}

void leavePlugin() {
    leavePluginBlockingScope();
    leavePluginCall();
    korvex_host::leaveFaultCall();
}

constexpr probe::Hooks kHooks{enterPlugin, leavePlugin};

// The module's parameter-ID capacity and its room for names (it tells the plug-in 32 bytes).
constexpr int32_t kIdCapacity = 32;
constexpr size_t kTextRoom = 256;

}  // namespace

Probe::Probe(const std::string& path) {
    std::string why;
    void* library = simhost::openLibrary(path, &why);
    if (!library) throw std::runtime_error("cannot load the validator's probe library " + path + ": " + why);
    // Never closed: the module keeps its own opening of the same file.
    setTargetProc = symbol<KorvexProbeSetTargetProc>(library, "korvexProbeSetTarget", path);
    errorProc = symbol<KorvexProbeErrorProc>(library, "korvexProbeError", path);
    countProc = symbol<KorvexProbeInstanceCountProc>(library, "korvexProbeInstanceCount", path);
    instanceProc = symbol<KorvexProbeInstanceProc>(library, "korvexProbeInstance", path);
    logProc = symbol<KorvexProbeLogProc>(library, "korvexProbeLog", path);
    askTimeProc = symbol<KorvexProbeSetAskTimeProc>(library, "korvexProbeSetAskTime", path);
    hooksProc = symbol<KorvexProbeSetHooksProc>(library, "korvexProbeSetHooks", path);
    callHostProc = symbol<KorvexProbeCallHostProc>(library, "korvexProbeCallHost", path);
    getParameterProc = symbol<KorvexProbeGetParameterProc>(library, "korvexProbeGetParameter", path);
    setParameterProc = symbol<KorvexProbeSetParameterProc>(library, "korvexProbeSetParameter", path);
    dispatchProc = symbol<KorvexProbeDispatchProc>(library, "korvexProbeDispatch", path);
    hooksProc(&kHooks);
    askTimeProc(0);
    setHeapCallNamer(korvex_host::currentFaultCall);
    setBlockingCallNamer(korvex_host::currentFaultCall);
}

Instance::Instance(Session& session, const InstanceSettings& settings) : owner(session), made(settings) {
    simhost::InstanceOptions options;
    options.stemFormat = settings.stemFormat;
    options.sampleRate = settings.sampleRate;
    options.maxFrames = settings.maxFrames;
    Probe& probe = session.probe();
    const int32_t before = probe.instanceCount();
    try {
        korvex_host::FaultScope scope("making and initialising an effect instance");
        effect = std::make_unique<simhost::SimEffectInstance>(session.host(), options);
    } catch (const std::exception& error) {
        session.context().abort(std::string("the module made no effect instance: ") + error.what());
    }
    if (probe.instanceCount() > before) index = probe.instanceCount() - 1;
    const std::vector<uint8_t> loaded = effect->controller().packet(8);
    if (loaded != std::vector<uint8_t>{1, 0, 0, 0}) {
        const std::string why = probe.error();
        effect.reset();
        session.context().abort("the module could not load the plug-in: " +
                                (why.empty() ? std::string("no reason given") : why));
    }
    if (effect->initializeResult() != kResultSuccess) {
        const int32_t result = effect->initializeResult();
        effect.reset();
        session.context().abort("the effect's Initialize failed with " + simhost::resultText(result));
    }
    effect->setRenderObserver(this);
    // A host's services answer without writing anything down: no log growing over a long run,
    // no allocation of the host's own inside the render call.
    effect->controller().recorder.setRecording(false);
    effect->automation().recorder.setRecording(false);
    effect->transportService().recorder.setRecording(false);
}

Instance::~Instance() {
    korvex_host::FaultScope scope("releasing an effect instance");
    effect.reset();
}

const probe::InstanceLog& Instance::log() const {
    static const probe::InstanceLog kNothing{};
    const probe::InstanceLog* found = index >= 0 ? owner.probe().log(index) : nullptr;
    return found ? *found : kNothing;
}

AEffect* Instance::plugin() const { return index >= 0 ? owner.probe().instance(index) : nullptr; }

PluginFacts Instance::facts() const {
    PluginFacts facts;
    if (const AEffect* effectRecord = plugin()) {
        facts.numParams = effectRecord->numParams;
        facts.numInputs = effectRecord->numInputs;
        facts.numOutputs = effectRecord->numOutputs;
        facts.flags = effectRecord->flags;
        facts.uniqueId = effectRecord->uniqueID;
    }
    return facts;
}

float Instance::pluginValue(int32_t parameter) { return owner.probe().getParameter(index, parameter); }

bool Instance::render(const float* const* inputs, float* const* outputs, int32_t frames,
                      const std::vector<simhost::MidiPacket>& midi) {
    // Without the probe nothing names the plug-in's own call, so this scope does.
    korvex_host::FaultScope scope(index >= 0 ? "rendering"
                                             : "processReplacing or effProcessEvents, through the module's render callback");
    return effect->render(inputs, outputs, frames, midi);
}

bool Instance::set(const std::string& id, double normalized) {
    korvex_host::FaultScope scope("delivering a host parameter value");
    return effect->setParameter(id, normalized) == kResultSuccess;
}

void Instance::beforeCallback() {
    if (watchingBlocking) beginBlockingWatch();
    if (counting) beginHeapCount();
    if (timing) callbackStart = std::chrono::steady_clock::now();
}

void Instance::afterCallback() {
    if (timing) callbackSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - callbackStart).count();
    if (watchingBlocking) blockingTotal.add(endBlockingWatch());
    if (!counting) return;
    const HeapCounts counts = endHeapCount();
    if (heapTotal.allocations == 0 && counts.allocations > 0) {
        heapTotal.firstSize = counts.firstSize;
        heapTotal.firstCall = counts.firstCall;
    }
    heapTotal.allocations += counts.allocations;
    heapTotal.frees += counts.frees;
    heapTotal.pluginAllocations += counts.pluginAllocations;
    heapTotal.pluginFrees += counts.pluginFrees;
}

Session::Session(CheckContext& context, bool viaProbe) : check(context) {
    const ValidateOptions& options = context.options();
    try {
        // A probe that cannot be had is the validator's own fault: say so before installing it.
        if (!std::filesystem::is_regular_file(options.probePath))
            throw std::runtime_error("cannot load the validator's probe library " + options.probePath +
                                     ": no such file");
        install = std::make_unique<simhost::VstInstall>(
            simhost::VstInstall::forPath(viaProbe ? options.probePath : options.vstPath));
        // The installed copy is the library the module loads; a loader that tells libraries apart
        // by file makes the build's own file another library, with a target of its own.
        probeLibrary = std::make_unique<Probe>(viaProbe ? install->libraryPath() : options.probePath);
        probeLibrary->setTarget(options.vstPath);
        simHost = std::make_unique<simhost::SimHost>(options.modulePath);
    } catch (const std::exception& error) {
        context.abort(error.what());
    }
    if (const int32_t result = simHost->startup(); result != kResultSuccess)
        context.abort("ACFStartup failed with " + simhost::resultText(result));
    try {
        simHost->describe();
    } catch (const std::exception& error) {
        context.abort(std::string("the module's description failed: ") + error.what());
    }
}

Session::~Session() {
    if (!finished && simHost) simHost->shutdown();
}

std::unique_ptr<Instance> Session::instance(const InstanceSettings& settings) {
    return std::make_unique<Instance>(*this, settings);
}

std::unique_ptr<simhost::DirectVstHost> Session::direct(float sampleRate) {
    auto plugIn = std::make_unique<simhost::DirectVstHost>();
    korvex_host::FaultScope scope("starting the plug-in hosted directly");
    if (!plugIn->load(check.options().vstPath)) check.abort("the plug-in cannot be hosted directly: " + plugIn->error());
    startLikeTheModule(*plugIn, sampleRate);
    return plugIn;
}

void Session::finish() {
    if (finished) return;
    finished = true;
    if (const int32_t alive = simHost->canUnloadNow(); alive != 0)
        check.fail("ACFCanUnloadNow answers " + std::to_string(alive) +
                   " after the test: the module still counts that many live objects");
    simHost->shutdown();
}

void startLikeTheModule(simhost::DirectVstHost& direct, float sampleRate) {
    direct.setSampleRate(sampleRate);
    AEffect* effect = direct.effect();
    const int32_t count = effect ? effect->numParams : 0;
    for (int32_t index = 0; index < count; ++index) {
        if (direct.dispatch(effCanBeAutomated, index) == 0) continue;
        direct.getParameter(index);
        VstParameterProperties properties{};
        const bool described = direct.dispatch(effGetParameterProperties, index, 0, &properties) != 0;
        char text[kTextRoom] = {};
        if (!described) direct.dispatch(effGetParamName, index, 0, text);
        char id[kTextRoom] = {};
        direct.dispatch(kPrivateGetParamID, index, kIdCapacity, id);
    }
    direct.open();
    direct.setMains(true);
}

}  // namespace korvex_validate
