// The wrapper's effect-parameters object: VST side set-up and tear-down, parameter mapping,
// host values to the plug-in, and the plug-in's own chunk passed through.
#include "parameters/aaxwrapper_parameters.h"

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include "parameters/aax_cbinary_display_delegate.h"
#include "parameters/aax_cbinary_taper_delegate.h"
#include "parameters/aax_clinear_taper_delegate.h"
#include "parameters/aax_cnumber_display_delegate.h"
#include "parameters/aax_cparameter.h"
#include "parameters/packet_handler.h"
#include "vst/vst_instance.h"

namespace {

constexpr uint32_t kInputCountField = 1;
constexpr uint32_t kOutputCountField = 3;
constexpr uint32_t kBypassField = 6;
constexpr uint32_t kVstInterfaceField = 7;
constexpr uint32_t kVstLoadedField = 8;
constexpr int32_t kChannelMask = 0xFFF;
constexpr uint32_t kContinuousSteps = 65;
constexpr float kFallbackSampleRate = 44100.0f;

// Room beyond what the plug-in is told: one that ignores the capacity writes into our spare
// bytes, not past the buffer.
constexpr size_t kTextBufferSize = 256;

AAX_IParameter* makeSwitch(const char* id, const char* name, const char* offText, const char* onText) {
    auto* parameter = new AAX_CParameter<bool>(id, AAX_CString(name), false, AAX_CBinaryTaperDelegate<bool>(),
                                               AAX_CBinaryDisplayDelegate<bool>(offText, onText), true);
    parameter->SetNumberOfSteps(2);
    parameter->SetType(0);
    return parameter;
}

AAX_IParameter* makeContinuous(const char* id, const char* name, uint32_t steps) {
    auto* parameter = new AAX_CParameter<float>(id, AAX_CString(name), 0.0f,
                                                AAX_CLinearTaperDelegate<float, 0>(0.0f, 1.0f),
                                                AAX_CNumberDisplayDelegate<float, 2, 0>(), true);
    parameter->SetNumberOfSteps(steps);
    return parameter;
}

}  // namespace

AAXWrapper_Parameters::AAXWrapper_Parameters() {
    // Parameters and controller are linked once Initialize has made them.
    VstInstance vst = CreateVstInstance(this, nullptr, nullptr);
    vstInterface = vst.vstInterface;
    vstCallBack = vst.vstCallBack;
    vstLoaded = vst.vstLoaded;
    // A dispatch pass posting through the controller holds it too: it is retired, not freed,
    // while such a pass is inside.
    if (vstCallBack) vstCallBack->watch(packetDispatcher().controllerInUse());
}

AAXWrapper_Parameters::~AAXWrapper_Parameters() {
    // The plug-in may still call back while it closes, so its VstCallBack outlives effClose; it
    // unlinks, waiting for callbacks still inside, before the base deletes what the links reach.
    DestroyVstInstance(vstInterface, vstCallBack);
}

int32_t AAXWrapper_Parameters::Uninitialize() {
    try {
        if (!vstCallBack) return AAX_CEffectParameters::Uninitialize();
        // A plug-in automating or asking for the sample rate or the time on another thread must
        // find the parameters and proxies alive or not at all. The links are cleared first; a
        // callback still inside may be waiting for this very thread (a host lock, a request the
        // host answers on its main thread), so what it may hold is kept, not waited for.
        vstCallBack->parameterManager.clear();
        vstCallBack->controller.clear();
        std::unique_ptr<InstanceState> state = detachInstanceState();
        if (!vstCallBack->linksIdle()) vstCallBack->retire(std::move(state));
        state.reset();
        vstCallBack->freeRetiredWhenIdle();
    } catch (...) {
        return kAcfUnexpected;
    }
    return kResultSuccess;
}

uint32_t AAXWrapper_Parameters::vstChunkId() const {
    return vstInterface && vstInterface->isUsable() ? static_cast<uint32_t>(vstInterface->effect->uniqueID) : 0;
}

int32_t AAXWrapper_Parameters::InitializeEffect() {
    try {
        return initializeVst();
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAXWrapper_Parameters::initializeVst() {
    if (vstLoaded == 0) {
        const int32_t notLoaded = 0;
        if (controller()) controller()->PostPacket(kVstLoadedField, &notLoaded, sizeof notLoaded);
        return kResultSuccess;
    }
    // A host may run this slot again on a live instance: no callback reads the parameters while
    // they are added to.
    vstCallBack->parameterManager.clear();
    vstCallBack->controller.set(controller());
    vstCallBack->freeRetiredWhenIdle();

    float rate = kFallbackSampleRate;
    // A controller that fails leaves the rate undefined; the plug-in gets the customary default.
    if (!controller() || controller()->GetSampleRate(&rate) != kResultSuccess) rate = kFallbackSampleRate;
    vstInterface->dispatch(effSetSampleRate, 0, 0, nullptr, std::trunc(rate));
    vstCallBack->renderSampleRate.store(static_cast<double>(std::trunc(rate)), std::memory_order_relaxed);

    AAX_CString bypassId;
    GetMasterBypassID(&bypassId);
    parameterManager().AddParameter(makeSwitch(bypassId.Get(), "Master Bypass", "bypass", "on"));

    const int32_t count = vstInterface->isUsable() ? vstInterface->effect->numParams : 0;
    for (int32_t index = 0; index < count; ++index)
        if (AAX_IParameter* parameter = makeParameter(index))
            // A refused duplicate is deleted by the manager.
            parameterManager().AddParameter(parameter);
    // Complete before the plug-in's automation can reach it, and before effOpen, where a
    // plug-in may already report its values.
    vstCallBack->parameterManager.set(&parameterManager());

    vstInterface->dispatch(effOpen, 0, 0, nullptr, 0.0f);
    vstInterface->dispatch(effMainsChanged, 0, 1, nullptr, 0.0f);
    // Once switched on the plug-in's channel counts are settled; the arrays must be ready
    // before the render context below names the instance. A declaration too large to prepare
    // leaves the plug-in unprocessed rather than handed arrays it would read past.
    vstInterface->prepareChannels();

    // Registrations outlive Uninitialize; a second Initialize must not post the bypass twice.
    if (!bypassPacketAdded) {
        const AAX_CPacketHandler<AAX_CPacketDispatcher> handler(&packetDispatcher(),
                                                                &AAX_CPacketDispatcher::FillSingleValuePacket);
        bypassPacketAdded = packetDispatcher().AddPacket(bypassId.Get(), kBypassField, handler) == kResultSuccess;
    }
    postRenderContext();
    return kResultSuccess;
}

AAX_IParameter* AAXWrapper_Parameters::makeParameter(int32_t index) {
    if (vstInterface->dispatch(effCanBeAutomated, index, 0, nullptr, 0.0f) == 0) return nullptr;
    AEffect* effect = vstInterface->effect;
    const float value = vstInterface->isUsable() && effect->getParameter ? effect->getParameter(effect, index) : 0.0f;

    VstParameterProperties properties{};
    const bool described = vstInterface->dispatch(effGetParameterProperties, index, 0, &properties, 0.0f) != 0;
    properties.label[sizeof properties.label - 1] = '\0';

    char name[kTextBufferSize] = {};
    if (described) {
        std::memcpy(name, properties.label, sizeof properties.label);
    } else {
        vstInterface->dispatch(effGetParamName, index, 0, name, 0.0f);
        name[kParamNameCapacity - 1] = '\0';
    }

    // Zero-filled and cut at the capacity: a plug-in that ignores the request yields the empty ID,
    // never the previous parameter's or stray bytes.
    char id[kTextBufferSize] = {};
    vstInterface->dispatch(kPrivateGetParamID, index, kParamIdCapacity, id, 0.0f);
    id[kParamIdCapacity - 1] = '\0';
    // Without properties the ID is still the plug-in's own: a parameter it names no ID for could
    // be reached neither by -15 (host values) nor by its automation reports, so it is left out.
    if (!described && id[0] == '\0') return nullptr;

    AAX_IParameter* parameter = nullptr;
    if (described && (properties.flags & kVstParameterIsSwitch) && properties.stepInteger == 2) {
        parameter = makeSwitch(id, name, "off", "on");
    } else if (described && (properties.flags & kVstParameterIsSwitch)) {
        // A switch without a usable step count would otherwise announce billions of steps.
        const uint32_t steps = properties.stepInteger > 0 ? static_cast<uint32_t>(properties.stepInteger)
                                                          : kContinuousSteps;
        parameter = makeContinuous(id, name, steps);
    } else {
        parameter = makeContinuous(id, name, kContinuousSteps);
    }
    // Not yet in the manager, so no automation delegate: the value is stored, not requested.
    parameter->SetNormalizedValue(value);
    parameter->SetNormalizedDefaultValue(value);
    return parameter;
}

void AAXWrapper_Parameters::postRenderContext() {
    AAX_IController* host = controller();
    if (!host) return;
    int32_t inputFormat = 0;
    int32_t outputFormat = 0;
    host->GetInputStemFormat(&inputFormat);
    host->GetOutputStemFormat(&outputFormat);
    const int32_t inputs = inputFormat & kChannelMask;
    const int32_t outputs = outputFormat & kChannelMask;
    host->PostPacket(kInputCountField, &inputs, sizeof inputs);
    host->PostPacket(kOutputCountField, &outputs, sizeof outputs);
    // The render callback reads the instance's address back out of this 8-byte block.
    static_assert(sizeof(VstInterface*) <= 8, "the VstInterface field is 8 bytes");
    uint8_t block[8] = {};
    std::memcpy(block, &vstInterface, sizeof vstInterface);
    host->PostPacket(kVstInterfaceField, block, sizeof block);
    host->PostPacket(kVstLoadedField, &vstLoaded, sizeof vstLoaded);
}

int32_t AAXWrapper_Parameters::UpdateParameterNormalizedValue(const char* id, double value, int32_t) {
    try {
        return deliverValue(id, value);
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAXWrapper_Parameters::deliverValue(const char* id, double value) {
    // Any thread: the published list, never the one Initialize may be building.
    AAX_IParameter* parameter = list()->FindParameter(id);
    if (!parameter) return kResultNoParameter;
    parameter->UpdateNormalizedValue(value);
    if (vstLoaded != 1) return kResultSuccess;

    AAX_CString bypassId;
    GetMasterBypassID(&bypassId);
    if (std::strcmp(bypassId.Get(), id) == 0) {
        vstInterface->dispatch(effSetBypass, 0, value > 0.0 ? 1 : 0, nullptr, 0.0f);
        return kResultSuccess;
    }
    const VstIntPtr index = vstInterface->dispatch(kPrivateGetParamIndex, 0, 0, const_cast<char*>(id), 0.0f);
    if (index < 0 || !vstInterface->isUsable()) return kResultSuccess;
    AEffect* effect = vstInterface->effect;
    // An index the plug-in does not have would reach its parameter array unchecked.
    if (index >= effect->numParams || !effect->setParameter) return kResultSuccess;
    const auto vstIndex = static_cast<int32_t>(index);
    auto sent = static_cast<float>(value);
    effect->setParameter(effect, vstIndex, sent);
    // Another thread may deliver to the same parameter meanwhile (a host answering the plug-in's
    // request on the plug-in's own thread while its main thread delivers): whichever call reaches
    // the plug-in last must leave it at the value stored last. Each delivery, after its call, sends
    // the stored value again until it finds that value already sent; no lock, since the render
    // thread can be the one delivering. Bounded, for a value that never settles (NaN).
    for (int32_t round = 0; round < kMaxDeliveryRounds; ++round) {
        const auto stored = static_cast<float>(parameter->GetNormalizedValue());
        if (stored == sent) break;
        sent = stored;
        effect->setParameter(effect, vstIndex, sent);
    }
    return kResultSuccess;
}

int32_t AAXWrapper_Parameters::GetChunkIDFromIndex(int32_t index, uint32_t* chunkId) const {
    if (!chunkId) return kResultNotImplemented;
    if (index != 0) {
        *chunkId = 0;
        return kResultChunkIndexOutOfRange;
    }
    *chunkId = vstChunkId();
    return kResultSuccess;
}

int32_t AAXWrapper_Parameters::GetChunkSize(uint32_t chunkId, uint32_t* size) const {
    try {
        if (vstLoaded == 0) return kResultChunkIdUnknown;
        if (!size) return kResultNotImplemented;
        if (chunkId != vstChunkId()) {
            *size = 0;
            return kResultChunkIdUnknown;
        }
        void* data = nullptr;
        const VstIntPtr answer = vstInterface->dispatch(effGetChunk, 0, 0, &data, 0.0f);
        // The record's size field is a signed 32-bit number; a negative answer means no chunk.
        const int64_t bytes = answer < 0 ? 0 : static_cast<int64_t>(answer);
        if (bytes > std::numeric_limits<int32_t>::max()) return kResultChunkSizeMismatch;
        reportedChunkSize = bytes;
        *size = static_cast<uint32_t>(bytes);
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAXWrapper_Parameters::GetChunk(uint32_t chunkId, AAX_SPlugInChunk* chunk) const {
    try {
        if (vstLoaded == 0 || chunkId != vstChunkId()) return kResultChunkIdUnknown;
        if (!chunk) return kResultNotImplemented;
        void* data = nullptr;
        const VstIntPtr answer = vstInterface->dispatch(effGetChunk, 0, 0, &data, 0.0f);
        const int64_t bytes = answer < 0 ? 0 : static_cast<int64_t>(answer);
        // The host's record holds exactly the size it was last told; a chunk that grew since then
        // would be written past its end. The host asks for the size again.
        if (reportedChunkSize < 0 || bytes > reportedChunkSize) return kResultChunkSizeMismatch;
        if (bytes > 0 && !data) return kResultChunkWriteFailed;
        chunk->fSize = static_cast<int32_t>(bytes);
        if (bytes > 0) std::memcpy(chunk->fData, data, static_cast<size_t>(bytes));
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

int32_t AAXWrapper_Parameters::SetChunk(uint32_t chunkId, const AAX_SPlugInChunk* chunk) {
    try {
        if (vstLoaded == 0 || chunkId != vstChunkId()) return kResultChunkIdUnknown;
        if (!chunk) return kResultNotImplemented;
        if (chunk->fSize < 0) return kResultChunkSizeMismatch;
        if (firstChunkSize == 0) {
            // Some plug-ins build their chunk buffer on the first effGetChunk and expect it before a restore.
            void* unused = nullptr;
            const VstIntPtr answer = vstInterface->dispatch(effGetChunk, 0, 0, &unused, 0.0f);
            firstChunkSize = answer < 0 || answer > std::numeric_limits<int32_t>::max() ? 0 : static_cast<int32_t>(answer);
        }
        vstInterface->dispatch(effSetChunk, 0, chunk->fSize, const_cast<char*>(chunk->fData), 0.0f);
        // A restored state may declare other channels; render calls until now silenced the host's
        // outputs rather than call the plug-in with arrays too short.
        vstInterface->prepareChannels();
        refreshParametersFromPlugin();
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

void AAXWrapper_Parameters::refreshParametersFromPlugin() {
    // A restored chunk changes the plug-in's values behind the host's back; without this the host
    // would keep showing, and later write back, the values from before the restore.
    if (!vstInterface || !vstInterface->isUsable() || !vstInterface->effect->getParameter) return;
    AEffect* effect = vstInterface->effect;
    AAX_CString bypassId;
    GetMasterBypassID(&bypassId);
    const ParameterManager& mapped = parameterManager();
    for (size_t i = 0; i < mapped.count(); ++i) {
        AAX_IParameter* parameter = mapped.at(i);
        if (!parameter || std::strcmp(parameter->Identifier(), bypassId.Get()) == 0) continue;
        const VstIntPtr index =
            vstInterface->dispatch(kPrivateGetParamIndex, 0, 0, const_cast<char*>(parameter->Identifier()), 0.0f);
        if (index < 0 || index >= effect->numParams) continue;
        parameter->UpdateNormalizedValue(effect->getParameter(effect, static_cast<int32_t>(index)));
    }
}
