// One simulated effect instance: lifetime, parameters and automation answers, rendering, chunks.
#include "simhost/sim_effect_instance.h"

#include <algorithm>
#include <cstring>

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "util/aax_string.h"

namespace simhost {

namespace {

// Hosts show a parameter's value in a field of roughly this width.
constexpr int32_t kValueTextLimit = 32;

}  // namespace

SimEffectInstance::SimEffectInstance(SimHost& simHost, const InstanceOptions& instanceOptions)
    : host(simHost),
      options(instanceOptions),
      hostPersonality(instanceOptions.personality.value_or(simHost.personality())),
      lock(simHost.lockFor(hostPersonality)),
      builder(instanceOptions.stemFormat, instanceOptions.maxFrames),
      hostController(new SimController),
      hostAutomation(new SimAutomation),
      hostTransport(new SimTransportService) {
    hostController->setSampleRate(options.sampleRate);
    hostController->setStemFormats(options.stemFormat, options.stemFormat);
    // The module's posts land in this instance's own render context, as a host's data ports do.
    hostController->setPacketSink([this](uint32_t field, const void* data, uint32_t size) {
        return builder.postPacket(field, data, size);
    });
    hostAutomation->setSetValueHook([this](const std::string& id, double normalized) { answerRequest(id, normalized); });
    hostController->setHostLock(lock);
    hostAutomation->setHostLock(lock);
    hostTransport->setHostLock(lock);
    hostController->setFailingPackets(hostPersonality.failingPackets);
    hostTransport->setFlipping(hostPersonality.flippingTransport);
    builder.setFlippingTransport(hostPersonality.flippingTransport);
    driver.setFreshThreads(hostPersonality.freshRenderThreads);
    setTransport(transportSettings);

    try {
        // The component registered for this stem format carries the render callback to use.
        const Description& description = host.description();
        if (!description.effects.empty())
            for (const ComponentDescription& component : description.effects.front().components)
                if (component.hasRenderCallback && component.stemFormat() == options.stemFormat)
                    driver.setCallback(component.renderCallback);
        if (!driver.hasCallback()) driver.setCallback(reinterpret_cast<void*>(host.renderCallback()));

        FactoryProc factory = host.factoryCallback(0);
        if (!factory) throw HostError("the description names no parameters factory");
        object = factory();
        if (!object) throw HostError("the parameters factory made no object");
        // The factory's object starts unowned; this reference is the host's.
        object->AddRef();
        void* asParameters = nullptr;
        const int32_t queried = object->QueryInterface(IID_IACFEffectParameters, &asParameters);
        if (queried != kResultSuccess || !asParameters)
            throw HostError("the object answers no effect-parameters interface: " + resultText(queried));
        parameters = static_cast<AAX_IACFEffectParameters*>(asParameters);

        InstanceServices services;
        services.controller = hostController;
        services.transport = hostTransport;
        services.automation = hostAutomation;
        // The editor finds its effect parameters through the instance's unknown.
        services.extras.emplace_back(IID_IACFEffectParameters, object);
        services.extras.emplace_back(IID_IACFEffectParametersV2, object);
        unknown = new SimInstanceUnknown(services);
        if (options.initialize) initialize();
    } catch (...) {
        const HostLock::Hold hold(lock);
        if (parameters) parameters->Release();
        if (object) object->Release();
        if (unknown) unknown->Release();
        hostController->Release();
        hostAutomation->Release();
        hostTransport->Release();
        throw;
    }
}

SimEffectInstance::~SimEffectInstance() {
    const HostLock::Hold hold(lock);
    parameters->Uninitialize();
    parameters->Release();
    object->Release();
    // The unknown holds the last reference to the module's object: it goes first, the services after.
    unknown->Release();
    hostController->Release();
    hostAutomation->Release();
    hostTransport->Release();
}

int32_t SimEffectInstance::initialize() {
    const HostLock::Hold hold(lock);
    initResult = parameters->Initialize(unknown);
    return initResult;
}

int32_t SimEffectInstance::uninitialize() {
    const HostLock::Hold hold(lock);
    return parameters->Uninitialize();
}

int32_t SimEffectInstance::parameterCount() const {
    const HostLock::Hold hold(lock);
    int32_t count = 0;
    return parameters->GetNumberOfParameters(&count) == kResultSuccess ? count : 0;
}

std::optional<ParameterInfo> SimEffectInstance::parameter(int32_t index) const {
    const HostLock::Hold hold(lock);
    AAX_CString id;
    if (parameters->GetParameterIDFromIndex(index, &id) != kResultSuccess) return std::nullopt;
    ParameterInfo info;
    info.index = index;
    info.id = id.StdString();
    const char* key = id.Get();
    AAX_CString text;
    if (parameters->GetParameterName(key, &text) == kResultSuccess) info.name = text.StdString();
    parameters->GetParameterNumberOfSteps(key, &info.steps);
    parameters->GetParameterType(key, &info.type);
    uint8_t automatable = 0;
    parameters->GetParameterIsAutomatable(key, &automatable);
    info.automatable = automatable != 0;
    parameters->GetParameterNormalizedValue(key, &info.value);
    parameters->GetParameterDefaultNormalizedValue(key, &info.defaultValue);
    text.Clear();
    if (parameters->GetParameterValueString(key, &text, kValueTextLimit) == kResultSuccess)
        info.text = text.StdString();
    return info;
}

std::optional<ParameterInfo> SimEffectInstance::findParameter(const std::string& id) const {
    const HostLock::Hold hold(lock);
    int32_t index = -1;
    if (parameters->GetParameterIndex(id.c_str(), &index) != kResultSuccess) return std::nullopt;
    return parameter(index);
}

std::vector<ParameterInfo> SimEffectInstance::parameterList() const {
    std::vector<ParameterInfo> list;
    const int32_t count = parameterCount();
    for (int32_t i = 0; i < count; ++i)
        if (auto info = parameter(i)) list.push_back(*info);
    return list;
}

std::string SimEffectInstance::masterBypassId() const {
    const HostLock::Hold hold(lock);
    AAX_CString id;
    parameters->GetMasterBypassID(&id);
    return id.StdString();
}

int32_t SimEffectInstance::setParameter(const std::string& id, double normalized) {
    const HostLock::Hold hold(lock);
    return parameters->UpdateParameterNormalizedValue(id.c_str(), normalized, 0);
}

int32_t SimEffectInstance::setParameterText(const std::string& id, const std::string& text) {
    const HostLock::Hold hold(lock);
    double normalized = 0.0;
    const AAX_CString asText(text.c_str());
    const int32_t read = parameters->GetParameterValueFromString(id.c_str(), &normalized, &asText);
    if (read != kResultSuccess) return read;
    return setParameter(id, normalized);
}

int32_t SimEffectInstance::requestParameter(const std::string& id, double normalized) {
    const HostLock::Hold hold(lock);
    return parameters->SetParameterNormalizedValue(id.c_str(), normalized);
}

void SimEffectInstance::answerRequest(const std::string& id, double normalized) {
    if (requestObserver) requestObserver(id, normalized);
    // Some hosts answer inside the call that made the request, on the plug-in's thread.
    if (hostPersonality.synchronousAutomation) {
        setParameter(id, normalized);
        return;
    }
    // The others queue it and deliver the value later, on their own schedule.
    std::lock_guard<std::mutex> hold(requestMutex);
    requests.push_back(Request{id, normalized});
}

size_t SimEffectInstance::pump() {
    std::deque<Request> due;
    {
        std::lock_guard<std::mutex> hold(requestMutex);
        due.swap(requests);
    }
    // Delivered outside the lock: the module may post new requests while it takes these.
    for (const Request& request : due) setParameter(request.id, request.value);
    return due.size();
}

size_t SimEffectInstance::idle() {
    const size_t delivered = pump();
    {
        const HostLock::Hold hold(lock);
        lastDispatch = parameters->DispatchParameterPackets();
    }
    if (hostPersonality.repeatedInitialize && ++idles % 4 == 0) initialize();
    return delivered;
}

size_t SimEffectInstance::pendingRequests() const {
    std::lock_guard<std::mutex> hold(requestMutex);
    return requests.size();
}

void SimEffectInstance::setTransport(const TransportSettings& settings) {
    transportSettings = settings;
    SimTransport& contextTransport = builder.transport();
    contextTransport.setSampleRate(options.sampleRate);
    contextTransport.setPlaying(settings.playing);
    contextTransport.setLocation(settings.location);
    contextTransport.setTempo(settings.tempo);
    contextTransport.setMeter(settings.meterNumerator, settings.meterDenominator);

    TransportState state;
    state.tempo = settings.tempo;
    state.meterNumerator = settings.meterNumerator;
    state.meterDenominator = settings.meterDenominator;
    state.playing = settings.playing;
    state.sampleLocation = settings.location;
    contextTransport.barBeatAt(settings.location, &state.bars, &state.beats, &state.ticks);
    hostTransport->setState(state);
}

bool SimEffectInstance::render(const float* const* inputs, float* const* outputs, int32_t frames,
                               const std::vector<MidiPacket>& midi) {
    if (frames < 0 || frames > options.maxFrames || !driver.hasCallback()) return false;
    for (const MidiPacket& packet : midi)
        if (packet.frame >= static_cast<uint32_t>(std::max(frames, 1))) return false;

    const int32_t count = channels();
    const size_t bytes = sizeof(float) * static_cast<size_t>(frames);
    for (int32_t c = 0; c < count; ++c) {
        if (inputs && inputs[c]) std::memcpy(builder.input(c), inputs[c], bytes);
        else std::memset(builder.input(c), 0, bytes);
    }
    builder.midiInput().clear();
    for (const MidiPacket& packet : midi) builder.midiInput().addPacket(packet.frame, packet.status, packet.data1, packet.data2);
    builder.setFrames(frames);

    pump();
    {
        const HostLock::Hold hold(lock);
        lastDispatch = parameters->DispatchParameterPackets();
    }
    driver.render({&builder});
    builder.midiInput().clear();

    for (int32_t c = 0; c < count && outputs; ++c)
        if (outputs[c]) std::memcpy(outputs[c], builder.output(c), bytes);

    if (transportSettings.playing) {
        TransportSettings next = transportSettings;
        next.location += frames;
        setTransport(next);
    }
    return true;
}

uint32_t SimEffectInstance::chunkId(int32_t* result) const {
    const HostLock::Hold hold(lock);
    uint32_t id = 0;
    const int32_t answered = parameters->GetChunkIDFromIndex(0, &id);
    if (result) *result = answered;
    return id;
}

int32_t SimEffectInstance::saveChunk(std::vector<uint8_t>& data) const {
    const HostLock::Hold hold(lock);
    int32_t result = 0;
    const uint32_t id = chunkId(&result);
    if (result != kResultSuccess) return result;
    uint32_t size = 0;
    result = parameters->GetChunkSize(id, &size);
    if (result != kResultSuccess) return result;
    // The host allocates the header and the size it was told; the data is zeroed so a module
    // that writes less than it announced is visible.
    std::vector<uint8_t> record(kChunkHeaderSize + size, 0);
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fSize = static_cast<int32_t>(size);
    chunk->fChunkID = id;
    result = parameters->GetChunk(id, chunk);
    if (result != kResultSuccess) return result;
    const size_t written = std::min<size_t>(size, static_cast<size_t>(std::max(chunk->fSize, 0)));
    data.assign(record.begin() + kChunkHeaderSize, record.begin() + static_cast<std::ptrdiff_t>(kChunkHeaderSize + written));
    return kResultSuccess;
}

int32_t SimEffectInstance::loadChunk(const std::vector<uint8_t>& data) {
    const HostLock::Hold hold(lock);
    int32_t result = 0;
    const uint32_t id = chunkId(&result);
    if (result != kResultSuccess) return result;
    std::vector<uint8_t> record(kChunkHeaderSize + data.size(), 0);
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fSize = static_cast<int32_t>(data.size());
    chunk->fChunkID = id;
    if (!data.empty()) std::memcpy(record.data() + kChunkHeaderSize, data.data(), data.size());
    return parameters->SetChunk(id, chunk);
}

}  // namespace simhost
