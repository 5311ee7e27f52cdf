// The state behind one instance's host callback: transport seen by the render callback,
// the time record answered to the plug-in, and the links used to route its automation.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst/vst_types.h"

class AAXWrapper_Parameters;
class ParameterManager;
class AAX_IController;
class AAX_IACFEffectGUI;

class VstCallBack {
public:
    static constexpr int32_t kParamIdBufferSize = 256;
    static constexpr int32_t kEventScratchSize = 16384;
    static constexpr double kDefaultSampleRate = 44100.0;

    // owner: the effect-parameters object this state belongs to (only ever null-checked here).
    explicit VstCallBack(AAXWrapper_Parameters* ownerObject);
    virtual ~VstCallBack();
    VstCallBack(const VstCallBack&) = delete;
    VstCallBack& operator=(const VstCallBack&) = delete;

    // [any] The routed host-callback requests (automate, time, size window, sample rate,
    // update display, begin/end edit) of the plug-in `effect`, which calls back into it directly.
    VstIntPtr HandleHostRequest(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                float opt);

    // The controller's rate when it has one and answers; 44100 otherwise.
    double sampleRate() const;

    // Transport: written by the render thread, read by time requests on any thread. Each field is
    // an independent relaxed atomic of the plain field's size: a request may see one render call's
    // tempo beside the previous call's position, which the plug-in cannot tell from a tempo change
    // between buffers, so no lock is needed.
    std::atomic<int32_t> wasPlaying{0};
    std::atomic<int32_t> isPlaying{0};
    std::atomic<double> tempo{120.0};
    std::atomic<int32_t> meterNumerator{4};
    std::atomic<int32_t> meterDenominator{4};
    std::atomic<double> ppqPosition{0.0};
    std::atomic<double> ppqOrigin{0.0};
    std::atomic<int32_t> samplePosition{0};
    std::atomic<int32_t> tempoValid{0};
    std::atomic<int32_t> meterValid{0};
    std::atomic<int32_t> positionValid{0};

    char paramIdBuffer[kParamIdBufferSize] = {};
    AAX_IACFEffectGUI* editor = nullptr;         // set by the editor while attached
    VstTimeInfo timeInfo = {};                   // its address answers audioMasterGetTime
    ParameterManager* parameterManager = nullptr;
    AAXWrapper_Parameters* owner;                // time requests are answered only when set
    AAX_IController* controller = nullptr;       // the owner's proxy once it is initialised
    uint8_t* eventScratch;                       // kEventScratchSize bytes, owned

private:
    // Sends kPrivateGetParamID for index; paramIdBuffer then holds a terminated ID, empty when the plug-in wrote none.
    void fetchParamId(AEffect* effect, int32_t index, float opt);
    VstIntPtr answerTimeRequest(AEffect* effect, float opt);
    void sendAllNotesOff(AEffect* effect, float opt);
};

static_assert(sizeof(std::atomic<int32_t>) == sizeof(int32_t) && std::atomic<int32_t>::is_always_lock_free,
              "transport flags are plain 32-bit words");
static_assert(sizeof(std::atomic<double>) == sizeof(double) && std::atomic<double>::is_always_lock_free,
              "transport positions are plain doubles");
