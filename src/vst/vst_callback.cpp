// Answers the plug-in's routed host requests for one instance: automation, time, sample rate, display.
#include "vst/vst_callback.h"

#include <cstring>

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

VstCallBack::VstCallBack(AAXWrapper_Parameters* ownerObject) : owner(ownerObject) {}

VstCallBack::~VstCallBack() {
    editor.clear();
    parameterManager.clear();
    controller.clear();
    retired.freeAll();
}

void VstCallBack::clearTransportFlags() {
    tempoValid.store(0, kRelaxed);
    meterValid.store(0, kRelaxed);
    positionValid.store(0, kRelaxed);
}

double VstCallBack::sampleRate() const {
    double rate = kDefaultSampleRate;
    // A controller that refuses must not leave the plug-in with an undefined rate.
    controller.visit([&rate](AAX_IController& host) {
        float answered = 0.0f;
        if (host.GetSampleRate(&answered) == 0) rate = static_cast<double>(answered);
    });
    return rate;
}

void VstCallBack::fetchParamId(AEffect* effect, int32_t index, float opt, char (&id)[kParamIdBufferSize]) {
    // Zero-filled first: a plug-in that ignores the opcode leaves an empty ID, not stray bytes.
    std::memset(id, 0, sizeof id);
    callPlugin(effect, kPrivateGetParamID, index, 0, id, opt);
    id[kParamIdBufferSize - 1] = '\0';
}

VstIntPtr VstCallBack::HandleHostRequest(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr,
                                         void*, float opt) {
    if (!effect) return 0;
    switch (opcode) {
    case audioMasterAutomate:
    case audioMasterBeginEdit:
    case audioMasterEndEdit:
        routeAutomation(effect, opcode, index, opt);
        return 0;
    case audioMasterUpdateDisplay:
        updateDisplay(effect, opt);
        return 0;
    case audioMasterGetSampleRate:
        callPlugin(effect, effSetSampleRate, 0, 0, nullptr, static_cast<float>(sampleRate()));
        return 0;
    case audioMasterGetTime:
        return answerTimeRequest(effect, opt);
    default:  // audioMasterSizeWindow and anything not routed here
        return 0;
    }
}

void VstCallBack::routeAutomation(AEffect* effect, int32_t opcode, int32_t index, float opt) {
    // The ID lives in this request's own buffer: another thread's look-up cannot swap it for the
    // ID of another parameter between the plug-in's answer and its use.
    char id[kParamIdBufferSize];
    fetchParamId(effect, index, opt, id);
    // No plug-in parameter has the empty ID: that one is the master bypass, which the plug-in
    // cannot automate, so an ID request it ignored must not land there.
    if (id[0] == '\0') return;
    // Inside the link, the parameters and the automation delegate they report to stay alive.
    parameterManager.visit([&](ParameterManager& parameters) {
        AAX_IParameter* parameter = parameters.FindParameter(id);
        if (!parameter) return;
        if (opcode == audioMasterAutomate)
            parameter->SetNormalizedValue(static_cast<double>(opt));
        else if (opcode == audioMasterBeginEdit)
            parameter->Touch();
        else
            parameter->Release();
    });
}

void VstCallBack::updateDisplay(AEffect* effect, float opt) {
    const int32_t count = effect->numParams;
    for (int32_t i = 0; i < count; ++i) {
        char id[kParamIdBufferSize];
        fetchParamId(effect, i, opt, id);
        // One entry per parameter: an editor going away waits for one call, not a whole walk.
        editor.visit([&id](AAX_IACFEffectGUI& view) { view.ParameterChanged(id); });
    }
}

VstIntPtr VstCallBack::answerTimeRequest(AEffect* effect, float opt) {
    VstTimeInfo answer{};
    bool justStopped = false;
    uint64_t seen = 0;
    if (owner) {
        // The host may take long over the rate (a lock, a reply from its main thread), so the
        // transport is read after it: the answer shows the render call current when it is made.
        answer.sampleRate = sampleRate();
        seen = playState.load(kRelaxed);
        int32_t flags = 0;
        if (tempoValid.load(kRelaxed)) {
            flags |= kVstTempoValid;
            answer.tempo = tempo.load(kRelaxed);
        }
        const int32_t playing = static_cast<int32_t>(seen & 1u);
        if (playing) flags |= kVstTransportPlaying;
        justStopped = reportPlayState(seen);
        if (meterValid.load(kRelaxed)) {
            flags |= kVstTimeSigValid;
            answer.timeSigNumerator = meterNumerator.load(kRelaxed);
            answer.timeSigDenominator = meterDenominator.load(kRelaxed);
        }
        if (playing && positionValid.load(kRelaxed)) {
            flags |= kVstPpqPosValid;
            answer.ppqPos = ppqPosition.load(kRelaxed);
            answer.samplePos = static_cast<double>(samplePosition.load(kRelaxed));
        }
        answer.flags = flags;
    }
    // An answer of an earlier render call than the record already shows would tell the plug-in
    // of a transport that is gone, in the middle of a block it is rendering.
    const uint64_t call = seen >> 1;
    uint64_t shown = publishedCall.load(kRelaxed);
    while (call >= shown) {
        if (publishedCall.compare_exchange_weak(shown, call, kRelaxed)) {
            publishTimeInfo(answer);
            break;
        }
    }
    if (justStopped) sendAllNotesOff(effect, opt);
    return reinterpret_cast<VstIntPtr>(&timeInfo);
}

void VstCallBack::storePlaying(bool playing) {
    // Only the render thread writes the word, so reading it back here is no race.
    const uint64_t call = (playState.load(kRelaxed) >> 1) + 1;
    playState.store((call << 1) | (playing ? 1u : 0u), kRelaxed);
}

bool VstCallBack::reportPlayState(uint64_t seen) {
    uint64_t reported = reportedPlayState.load(kRelaxed);
    // A state of the same render call or an earlier one changes nothing: another request has
    // reported it, or a later one already, which a stale reader must not undo.
    while ((seen >> 1) > (reported >> 1)) {
        if (reportedPlayState.compare_exchange_weak(reported, seen, kRelaxed))
            return (reported & 1u) != 0 && (seen & 1u) == 0;
    }
    return false;
}

void VstCallBack::publishTimeInfo(const VstTimeInfo& answer) {
    if (std::memcmp(&timeInfo, &answer, sizeof answer) != 0) std::memcpy(&timeInfo, &answer, sizeof answer);
}

void VstCallBack::sendAllNotesOff(AEffect* effect, float opt) {
    // A record of this request's own: two threads reporting stops never share one.
    VstMidiEvent event{};
    event.type = kVstMidiType;
    event.byteSize = 24;
    event.midiData[0] = static_cast<char>(0xB0);  // control change, channel 1
    event.midiData[1] = 0x7B;                     // all notes off
    event.midiData[2] = 0x00;
    VstEvents batch{};
    batch.numEvents = 1;
    batch.events[0] = reinterpret_cast<VstEvent*>(&event);
    callPlugin(effect, effProcessEvents, 0, 0, &batch, opt);
}
