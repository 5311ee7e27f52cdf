// Answers the plug-in's routed host requests for one instance: automation, time, sample rate, display.
#include "vst/vst_callback.h"

#include <cstring>
#include <new>

#include "editor/aax_iacf_effect_gui.h"
#include "host/aax_icontroller.h"
#include "parameters/aax_iparameter.h"
#include "parameters/parameter_manager.h"

namespace {

constexpr auto kRelaxed = std::memory_order_relaxed;

VstIntPtr callPlugin(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher ? effect->dispatcher(effect, opcode, index, value, ptr, opt) : 0;
}

}  // namespace

VstCallBack::VstCallBack(AAXWrapper_Parameters* ownerObject)
    : owner(ownerObject), eventScratch(new uint8_t[kEventScratchSize]()) {}

VstCallBack::~VstCallBack() { delete[] eventScratch; }

double VstCallBack::sampleRate() const {
    float rate = 0.0f;
    // A controller that refuses must not leave the plug-in with an undefined rate.
    if (controller && controller->GetSampleRate(&rate) == 0) return static_cast<double>(rate);
    return kDefaultSampleRate;
}

void VstCallBack::fetchParamId(AEffect* effect, int32_t index, float opt) {
    // Cleared first: a plug-in that ignores the opcode leaves an empty ID, not the previous one.
    std::memset(paramIdBuffer, 0, sizeof paramIdBuffer);
    callPlugin(effect, kPrivateGetParamID, index, 0, paramIdBuffer, opt);
    paramIdBuffer[kParamIdBufferSize - 1] = '\0';
}

VstIntPtr VstCallBack::HandleHostRequest(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr,
                                         void*, float opt) {
    if (!effect) return 0;
    switch (opcode) {
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit: {
        fetchParamId(effect, index, opt);
        // No plug-in parameter has the empty ID: that one is the master bypass, which the
        // plug-in cannot automate, so an ID request it ignored must not land there.
        AAX_IParameter* parameter = parameterManager && paramIdBuffer[0] != '\0'
                                        ? parameterManager->FindParameter(paramIdBuffer)
                                        : nullptr;
        if (!parameter) return 0;
        if (opcode == audioMasterAutomate)
            parameter->SetNormalizedValue(static_cast<double>(opt));
        else if (opcode == audioMasterBeginEdit)
            parameter->Touch();
        else
            parameter->Release();
        return 0;
    }
    case audioMasterUpdateDisplay: {
        const int32_t count = effect->numParams;
        for (int32_t i = 0; i < count; ++i) {
            fetchParamId(effect, i, opt);
            if (editor) editor->ParameterChanged(paramIdBuffer);
        }
        return 0;
    }
    case audioMasterGetSampleRate:
        callPlugin(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate()));
        return 0;
    case audioMasterGetTime:
        return answerTimeRequest(effect, opt);
    default:  // audioMasterSizeWindow and anything not routed here
        return 0;
    }
}

VstIntPtr VstCallBack::answerTimeRequest(AEffect* effect, float opt) {
    std::memset(&timeInfo, 0, sizeof timeInfo);
    if (owner) {
        timeInfo.sampleRate = sampleRate();
        int32_t flags = 0;
        if (tempoValid.load(kRelaxed)) {
            flags |= kVstTempoValid;
            timeInfo.tempo = tempo.load(kRelaxed);
        }
        const int32_t playing = isPlaying.load(kRelaxed);
        if (playing) flags |= kVstTransportPlaying;
        // The only writer of wasPlaying: one all-notes-off per stop, at the first request after it.
        const bool justStopped = !playing && wasPlaying.load(kRelaxed) == 1;
        wasPlaying.store(playing, kRelaxed);
        if (meterValid.load(kRelaxed)) {
            flags |= kVstTimeSigValid;
            timeInfo.timeSigNumerator = meterNumerator.load(kRelaxed);
            timeInfo.timeSigDenominator = meterDenominator.load(kRelaxed);
        }
        if (playing && positionValid.load(kRelaxed)) {
            flags |= kVstPpqPosValid;
            timeInfo.ppqPos = ppqPosition.load(kRelaxed);
            timeInfo.samplePos = static_cast<double>(samplePosition.load(kRelaxed));
        }
        timeInfo.flags = flags;
        if (justStopped) sendAllNotesOff(effect, opt);
    }
    return reinterpret_cast<VstIntPtr>(&timeInfo);
}

void VstCallBack::sendAllNotesOff(AEffect* effect, float opt) {
    auto* event = new (eventScratch) VstMidiEvent{};
    event->type = kVstMidiType;
    event->byteSize = 24;
    event->midiData[0] = static_cast<char>(0xB0);  // control change, channel 1
    event->midiData[1] = 0x7B;                     // all notes off
    event->midiData[2] = 0x00;
    VstEvents batch{};
    batch.numEvents = 1;
    batch.events[0] = reinterpret_cast<VstEvent*>(event);
    callPlugin(effect, effProcessEvents, 0, 0, &batch, opt);
}
