// One effect instance of a described module, driven as a host drives it: created through the
// registered parameters factory, initialised with its own host services, rendered, saved, released.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "acf/acf_types.h"
#include "parameters/aax_iacf_effect_parameters.h"
#include "simhost/render_context_builder.h"
#include "simhost/render_driver.h"
#include "simhost/sim_automation.h"
#include "simhost/sim_controller.h"
#include "simhost/sim_host.h"
#include "simhost/sim_instance_unknown.h"
#include "simhost/sim_transport_service.h"

namespace simhost {

struct InstanceOptions {
    int32_t stemFormat = kStemStereo;  // kStemMono or kStemStereo, inputs as outputs
    float sampleRate = 48000.0f;
    int32_t maxFrames = 4096;          // the largest block render() accepts
    // False: the constructor stops before Initialize, so a test can script the host services
    // first and then call initialize() itself.
    bool initialize = true;
    // How the host drives this instance; the SimHost's personality when not given.
    std::optional<HostPersonality> personality;
};

// A parameter as the host sees it, read through the effect-parameters slots.
struct ParameterInfo {
    int32_t index = 0;
    std::string id;
    std::string name;
    int32_t steps = 0;
    int32_t type = 0;            // 0 discrete, 1 continuous
    bool automatable = false;
    double value = 0.0;          // normalized
    double defaultValue = 0.0;   // normalized
    std::string text;            // the current value as the module displays it
};

// The host transport as both the render context and the ACF transport report it.
struct TransportSettings {
    bool playing = false;
    int64_t location = 0;        // samples; render() advances it by each block while playing
    double tempo = 120.0;
    int32_t meterNumerator = 4;
    int32_t meterDenominator = 4;
};

// A three-byte MIDI packet at a frame of the next render call.
struct MidiPacket {
    uint32_t frame = 0;
    uint8_t status = 0;
    uint8_t data1 = 0;
    uint8_t data2 = 0;
};

// Main-thread object: every call comes from the thread that made it, inside the host lock when
// the personality has one. The SimHost must have described the module and must outlive the instance.
class SimEffectInstance {
public:
    // Factory kind 0, QueryInterface for the effect-parameters IID, Initialize with this instance's
    // unknown (controller, transport, automation). HostError when there is no factory or object, or
    // the object answers no effect-parameters interface; a failing Initialize is kept in
    // initializeResult() instead, as a host would keep the instance and show it as broken.
    explicit SimEffectInstance(SimHost& host, const InstanceOptions& options = {});
    // Uninitialize, then the host's last reference.
    ~SimEffectInstance();
    SimEffectInstance(const SimEffectInstance&) = delete;
    SimEffectInstance& operator=(const SimEffectInstance&) = delete;

    const HostPersonality& personality() const { return hostPersonality; }
    // The host lock this instance's main-thread calls and services take; null without one.
    HostLock* hostLock() const { return lock; }
    // Holds the host lock (when there is one) for a test's own main-thread calls into the module.
    HostLock::Hold mainThreadCall() const { return HostLock::Hold(lock); }

    // The module's object (one reference held by this instance) and what Initialize answered.
    AAX_IACFEffectParameters* effectParameters() const { return parameters; }
    // Initialize with this instance's unknown (done by the constructor unless the options said not).
    int32_t initialize();
    int32_t initializeResult() const { return initResult; }
    int32_t uninitialize();
    IACFUnknown* instanceUnknown() const { return unknown; }

    // Parameters in host index order; parameter() is empty outside [0, parameterCount()).
    int32_t parameterCount() const;
    std::optional<ParameterInfo> parameter(int32_t index) const;
    std::optional<ParameterInfo> findParameter(const std::string& id) const;
    std::vector<ParameterInfo> parameterList() const;
    std::string masterBypassId() const;

    // The host delivering a value (its automation, a control moved in the host): slot 29, now.
    int32_t setParameter(const std::string& id, double normalized);
    // The text read by the parameter (slot 20), then delivered as setParameter does.
    int32_t setParameterText(const std::string& id, const std::string& text);
    // A set-value request as the module makes one (slot 24); the host answers at the next pump()
    // (at once, on the requesting thread, with synchronous automation).
    int32_t requestParameter(const std::string& id, double normalized);
    // Delivers the set-value requests the module posted since the last pump, in order, through
    // slot 29, as a host does between buffers. Returns how many were delivered.
    size_t pump();
    size_t pendingRequests() const;
    // Told of every set-value request on the thread that posts it, before the host answers it.
    // Set before the module runs.
    void setRequestObserver(std::function<void(const std::string& id, double normalized)> observer) {
        requestObserver = std::move(observer);
    }
    // [main] What the host does on its main thread between buffers: pump(), DispatchParameterPackets
    // and, with the "reinitialize" personality, Initialize again every fourth time. Returns pump()'s count.
    size_t idle();

    void setTransport(const TransportSettings& settings);
    const TransportSettings& transport() const { return transportSettings; }

    int32_t channels() const { return builder.channels(); }
    int32_t maxFrames() const { return options.maxFrames; }
    // One host buffer: pump(), DispatchParameterPackets, the registered render callback with this
    // instance's context. inputs: channels() pointers or null for silence; outputs: channels()
    // pointers receiving the result. False (nothing rendered) when frames is outside
    // [0, maxFrames()], a packet's frame is outside the block, or there is no render callback.
    bool render(const float* const* inputs, float* const* outputs, int32_t frames,
                const std::vector<MidiPacket>& midi = {});
    // Told around each call of the module's render callback (borrowed; null for none).
    void setRenderObserver(RenderObserver* observer) { driver.setObserver(observer); }
    // The last DispatchParameterPackets result.
    int32_t dispatchResult() const { return lastDispatch; }

    // Chunk index 0's ID (slot 34); its result in *result when given.
    uint32_t chunkId(int32_t* result = nullptr) const;
    // GetChunkSize then GetChunk for chunkId(): the data bytes (the record's header stripped).
    int32_t saveChunk(std::vector<uint8_t>& data) const;
    // SetChunk for chunkId() with a record holding these data bytes.
    int32_t loadChunk(const std::vector<uint8_t>& data);

    // The host's side of this instance, for tests that look closer.
    SimController& controller() { return *hostController; }
    SimAutomation& automation() { return *hostAutomation; }
    SimTransportService& transportService() { return *hostTransport; }
    RenderContextBuilder& context() { return builder; }

private:
    struct Request {
        std::string id;
        double value;
    };

    void answerRequest(const std::string& id, double normalized);

    SimHost& host;
    InstanceOptions options;
    HostPersonality hostPersonality;
    HostLock* lock;
    RenderContextBuilder builder;
    RenderDriver driver;
    TransportSettings transportSettings;
    SimController* hostController;          // one reference each, ours
    SimAutomation* hostAutomation;
    SimTransportService* hostTransport;
    SimInstanceUnknown* unknown = nullptr;
    IACFUnknown* object = nullptr;          // the factory's object, one reference
    AAX_IACFEffectParameters* parameters = nullptr;  // one reference
    int32_t initResult = 0;
    int32_t lastDispatch = 0;
    uint64_t idles = 0;
    std::function<void(const std::string&, double)> requestObserver;

    // Requests may come from any thread the module calls the automation service on.
    mutable std::mutex requestMutex;
    std::deque<Request> requests;
};

}  // namespace simhost
