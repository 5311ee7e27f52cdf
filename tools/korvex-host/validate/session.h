// What checks build on: the module started in a simulated host, the plug-in under test installed
// behind the probe, effect instances that know their plug-in instance, and the plug-in hosted
// directly with the module's own call sequence for bit-exact comparisons.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "simhost/direct_vst_host.h"
#include "simhost/render_driver.h"
#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/vst_install.h"
#include "tools/korvex-host/validate/blocking_calls.h"
#include "tools/korvex-host/validate/check.h"
#include "tools/korvex-host/validate/heap_counter.h"
#include "tools/korvex-host/validate/probe_api.h"

namespace korvex_validate {

// The probe library's functions, found with dlsym on the file the module opens.
class Probe {
public:
    explicit Probe(const std::string& path);  // std::runtime_error with the reason when unusable
    Probe(const Probe&) = delete;
    Probe& operator=(const Probe&) = delete;

    void setTarget(const std::string& path) { setTargetProc(path.c_str()); }
    std::string error() const { return errorProc(); }
    int32_t instanceCount() const { return countProc(); }
    AEffect* instance(int32_t index) const { return instanceProc(index); }
    const probe::InstanceLog* log(int32_t index) const { return logProc(index); }
    void setAskTime(bool on) { askTimeProc(on ? 1 : 0); }
    VstIntPtr callHost(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
        return callHostProc(effect, opcode, index, value, ptr, opt);
    }
    float getParameter(int32_t index, int32_t parameter) { return getParameterProc(index, parameter); }
    void setParameter(int32_t index, int32_t parameter, float value) { setParameterProc(index, parameter, value); }
    VstIntPtr dispatch(int32_t index, int32_t opcode, int32_t arg = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) {
        return dispatchProc(index, opcode, arg, value, ptr, opt);
    }

private:
    KorvexProbeSetTargetProc setTargetProc;
    KorvexProbeErrorProc errorProc;
    KorvexProbeInstanceCountProc countProc;
    KorvexProbeInstanceProc instanceProc;
    KorvexProbeLogProc logProc;
    KorvexProbeSetAskTimeProc askTimeProc;
    KorvexProbeSetHooksProc hooksProc;
    KorvexProbeCallHostProc callHostProc;
    KorvexProbeGetParameterProc getParameterProc;
    KorvexProbeSetParameterProc setParameterProc;
    KorvexProbeDispatchProc dispatchProc;
};

// The plug-in's fixed facts as its AEffect announces them.
struct PluginFacts {
    int32_t numParams = 0;
    int32_t numInputs = 0;
    int32_t numOutputs = 0;
    int32_t flags = 0;
    int32_t uniqueId = 0;
    bool isSynth() const { return (flags & effFlagsIsSynth) != 0; }
    bool hasEditor() const { return (flags & effFlagsHasEditor) != 0; }
};

struct InstanceSettings {
    int32_t stemFormat = simhost::kStemStereo;
    float sampleRate = 48000.0f;
    int32_t maxFrames = 8192;  // kMaxBlock
};

class Session;

// One effect instance through the module and the plug-in instance behind it.
class Instance final : private simhost::RenderObserver {
public:
    // Aborts the check with the reason when the module cannot make it or load the plug-in.
    Instance(Session& session, const InstanceSettings& settings);
    ~Instance() override;
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    simhost::SimEffectInstance& sim() { return *effect; }
    Session& session() { return owner; }
    const InstanceSettings& settings() const { return made; }
    int32_t channels() const { return effect->channels(); }
    // The probe's index of the plug-in instance (-1 when the probe did not see it).
    int32_t probeIndex() const { return index; }
    // Its log; a log of zeros when the probe did not see it.
    const probe::InstanceLog& log() const;
    AEffect* plugin() const;
    PluginFacts facts() const;
    // The plug-in's own answer for a VST parameter, asked directly.
    float pluginValue(int32_t parameter);

    // One host buffer. With counting on, the heap calls of the module's render callback itself
    // (not the host's work around it) are added to heap().
    bool render(const float* const* inputs, float* const* outputs, int32_t frames,
                const std::vector<simhost::MidiPacket>& midi = {});
    void countHeap(bool on) { counting = on; }
    const HeapCounts& heap() const { return heapTotal; }
    // With watching on, the locks, waits, sleeps and I/O of the module's render callback itself.
    void watchBlocking(bool on) { watchingBlocking = on; }
    const BlockingCalls& blocking() const { return blockingTotal; }
    // With timing on, how long the module's render callback took in the last render call.
    void timeCallbacks(bool on) { timing = on; }
    double lastCallbackSeconds() const { return callbackSeconds; }

    // A value as the host delivers one (slot 29); false when the module refuses it.
    bool set(const std::string& id, double normalized);

private:
    void beforeCallback() override;
    void afterCallback() override;

    Session& owner;
    InstanceSettings made;
    std::unique_ptr<simhost::SimEffectInstance> effect;
    int32_t index = -1;
    // [render] Read and written by whichever thread renders; switched on and off between renders.
    bool counting = false;
    HeapCounts heapTotal;
    bool watchingBlocking = false;
    BlockingCalls blockingTotal;
    bool timing = false;
    std::chrono::steady_clock::time_point callbackStart;
    double callbackSeconds = 0.0;
};

class Session {
public:
    // viaProbe false: the module loads the plug-in itself, with nothing in between (for timing);
    // instances then have no probe log.
    explicit Session(CheckContext& context, bool viaProbe = true);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    CheckContext& context() { return check; }
    simhost::SimHost& host() { return *simHost; }
    Probe& probe() { return *probeLibrary; }
    const std::string& pluginPath() const { return check.options().vstPath; }

    std::unique_ptr<Instance> instance(const InstanceSettings& settings = {});
    // The plug-in hosted directly and started with the calls the module makes when it
    // initialises an instance. Aborts the check when it cannot be loaded.
    std::unique_ptr<simhost::DirectVstHost> direct(float sampleRate);

    // ACFCanUnloadNow after every instance is gone; then the module is shut down.
    void finish();
    // What every plug-in instance received so far, as the probe logged it, in readable lines.
    std::string probeLogText();

private:
    CheckContext& check;
    std::unique_ptr<Probe> probeLibrary;
    std::unique_ptr<simhost::VstInstall> install;
    std::unique_ptr<simhost::SimHost> simHost;
    bool finished = false;
};

// The module's initialisation calls, made on a directly hosted plug-in: sample rate, the
// parameter questions, effOpen, effMainsChanged 1.
void startLikeTheModule(simhost::DirectVstHost& direct, float sampleRate);

}  // namespace korvex_validate
