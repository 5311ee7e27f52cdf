// The state behind one instance's host callback: transport seen by the render callback,
// the time record answered to the plug-in, and the links used to route its automation.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "util/callback_link.h"
#include "util/retired_objects.h"
#include "vst/vst_types.h"

class AAXWrapper_Parameters;
class ParameterManager;
class AAX_IController;
class AAX_IACFEffectGUI;

class VstCallBack {
public:
    // Capacity of the zero-filled buffer each parameter-ID look-up (-14) hands the plug-in.
    static constexpr int32_t kParamIdBufferSize = 256;
    static constexpr double kDefaultSampleRate = 44100.0;

    // owner: the effect-parameters object this state belongs to (only ever null-checked here).
    explicit VstCallBack(AAXWrapper_Parameters* ownerObject);
    // Unlinks editor, parameters and controller and frees what was retired: destroyed only after
    // effClose, when the plug-in calls back no more.
    virtual ~VstCallBack();
    VstCallBack(const VstCallBack&) = delete;
    VstCallBack& operator=(const VstCallBack&) = delete;

    // [any] The routed host-callback requests (automate, time, size window, sample rate,
    // update display, begin/end edit) of the plug-in `effect`, which calls back into it directly.
    VstIntPtr HandleHostRequest(AEffect* effect, int32_t opcode, int32_t index, VstIntPtr value, void* ptr,
                                float opt);

    // [any] The controller's rate when one is linked and answers; 44100 otherwise.
    double sampleRate() const;

    // [main] True when no callback is inside any of the links, nor inside a watched one: nothing
    // unlinked before is held.
    bool linksIdle() const {
        if (!editor.idle() || !parameterManager.idle() || !controller.idle()) return false;
        for (const CallbackLinkCore* link : watched)
            if (link && !link->idle()) return false;
        return true;
    }
    // [main, before other threads know the instance] Another link through which other threads
    // reach what is retired here (the packet dispatcher's controller); it must outlive this object.
    bool watch(const CallbackLinkCore& link) {
        for (const CallbackLinkCore*& slot : watched)
            if (!slot) {
                slot = &link;
                return true;
            }
        return false;
    }
    // [main] Keeps an object a callback may still be inside until the links are idle.
    template <class T>
    void retire(std::unique_ptr<T> object) { retired.retire(std::move(object)); }
    void retire(void* object, void (*destroy)(void*)) { retired.retire(object, destroy); }
    // [main] Frees what was retired once no callback can hold it any more.
    void freeRetiredWhenIdle() {
        if (retired.count() != 0 && linksIdle()) retired.freeAll();
    }
    size_t retiredCount() const { return retired.count(); }

    // [render] Clears the tempo, meter and position flags: the transport could not be read.
    void clearTransportFlags();

    // Transport: written by the render thread, read by time requests on any thread. Each field is
    // an independent relaxed atomic of the plain field's size: a request may see one render call's
    // tempo beside the previous call's position, which the plug-in cannot tell from a tempo change
    // between buffers, so no lock is needed.
    //
    // The play state is the exception, because the all-notes-off hangs on it: the render thread
    // stores it with the number of its render call in one word, and the time requests replace the
    // state they last reported only by a compare-exchange with one of a later render call. So of
    // requests racing after a stop exactly one reports it, and a request that read the state
    // before the stop cannot re-arm it afterwards.

    // [render] The play state of this render call, as storeTransport found it.
    void storePlaying(bool playing);
    // [any] Whether the last render call found the transport playing (1) or not (0).
    int32_t isPlaying() const { return static_cast<int32_t>(playState.load(std::memory_order_relaxed) & 1u); }
    // [any] The play state last reported to the plug-in through a time request.
    int32_t wasPlaying() const { return static_cast<int32_t>(reportedPlayState.load(std::memory_order_relaxed) & 1u); }

    std::atomic<double> tempo{120.0};
    std::atomic<int32_t> meterNumerator{4};
    std::atomic<int32_t> meterDenominator{4};
    std::atomic<double> ppqPosition{0.0};
    std::atomic<double> ppqOrigin{0.0};
    std::atomic<int32_t> samplePosition{0};
    std::atomic<int32_t> tempoValid{0};
    std::atomic<int32_t> meterValid{0};
    std::atomic<int32_t> positionValid{0};
    // [main writes, render reads] the rate the plug-in was given, for positions within a block
    std::atomic<double> renderSampleRate{kDefaultSampleRate};

private:
    // [render writes, any thread reads: atomic] (render call number << 1) | playing
    std::atomic<uint64_t> playState{0};
    // [time requests: compare-exchange] the playState value last reported to the plug-in
    std::atomic<uint64_t> reportedPlayState{0};
    // [time requests: compare-exchange] the render call whose transport the time record last
    // showed: an answer built from an earlier call's transport is not copied over it
    std::atomic<uint64_t> publishedCall{0};
    // [main] objects unlinked while a callback was inside them
    RetiredObjects retired;
    // [main: written before other threads know the instance] further links linksIdle() asks
    const CallbackLinkCore* watched[2] = {};

public:

    // [any thread: link] the editor bound to this instance, from its PrepareView until it unbinds
    CallbackLink<AAX_IACFEffectGUI> editor;
    // [any thread: link] the owner's parameters, from their creation until Uninitialize removes them
    CallbackLink<ParameterManager> parameterManager;
    // [any thread: link] the owner's controller proxy, from InitializeEffect until Uninitialize deletes it
    CallbackLink<AAX_IController> controller;
    // Its address answers audioMasterGetTime and plug-ins keep it for a whole render call: one record.
    // [any thread: shared record] answers are built aside and copied in whole only when they differ: never seen cleared or half built, never written by requests under one transport
    VstTimeInfo timeInfo = {};
    AAXWrapper_Parameters* const owner;  // [any: never changes] time requests are answered only when set

private:
    // Sends kPrivateGetParamID for index into id (zero-filled first, terminated after): the ID
    // the plug-in wrote, empty when it wrote none. Each look-up has its own buffer.
    void fetchParamId(AEffect* effect, int32_t index, float opt, char (&id)[kParamIdBufferSize]);
    void routeAutomation(AEffect* effect, int32_t opcode, int32_t index, float opt);
    void updateDisplay(AEffect* effect, float opt);
    VstIntPtr answerTimeRequest(AEffect* effect, float opt);
    // Copies a built answer into timeInfo, unless it already holds exactly that.
    void publishTimeInfo(const VstTimeInfo& answer);
    void sendAllNotesOff(AEffect* effect, float opt);
    // Makes `seen` the reported play state when it is of a later render call; true when that
    // report is the stop of the transport (reported playing, now not).
    bool reportPlayState(uint64_t seen);
};

static_assert(sizeof(std::atomic<int32_t>) == sizeof(int32_t) && std::atomic<int32_t>::is_always_lock_free,
              "transport flags are plain 32-bit words");
static_assert(std::atomic<uint64_t>::is_always_lock_free, "the play state is one word");
static_assert(sizeof(std::atomic<double>) == sizeof(double) && std::atomic<double>::is_always_lock_free,
              "transport positions are plain doubles");
