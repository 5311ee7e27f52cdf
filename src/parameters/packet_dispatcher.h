// Carries parameter values into render-context fields: remembers which parameter feeds which
// packet, marks packets dirty and posts the dirty ones through the controller.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "host/aax_icontroller.h"
#include "parameters/aax_iacf_effect_parameters.h"
#include "parameters/dispatch_packet.h"
#include "parameters/packet_handler.h"
#include "util/callback_link.h"
#include "util/thread_mutex.h"

// Every operation holds the dispatcher's lock for its bookkeeping; the holding thread may re-enter
// (a handler reaching MarkDirty, say). The host's PostPacket is called without it: a host may
// hold its own lock around PostPacket that its main thread holds while it uninitialises, and the
// main thread takes this lock to change what a pass reads. Lives as long as its owner.
class AAX_CPacketDispatcher {
public:
    AAX_CPacketDispatcher();
    ~AAX_CPacketDispatcher();
    AAX_CPacketDispatcher(const AAX_CPacketDispatcher&) = delete;
    AAX_CPacketDispatcher& operator=(const AAX_CPacketDispatcher&) = delete;

    // Wired by the owner's Initialize; both borrowed, both null until then.
    void setController(AAX_IController* hostController);
    void setEffectParameters(AAX_IACFEffectParameters* owner);

    // Registers a clone of the handler for (parameter ID, field); fields are shared by index.
    int32_t AddPacket(const char* id, uint32_t fieldIndex, const AAX_IPacketHandler& handler);
    // Marks every packet the parameter feeds; 0 also when it feeds none.
    int32_t MarkDirty(const char* id);
    // Fills and posts every dirty packet once; 0, or the first failed post's result. A pass
    // asked for while another runs (on another thread, or from inside the host's PostPacket) does
    // not wait: the running pass goes round once more for it, so posts never overtake each other.
    int32_t PostDirtyPackets();
    // Fills the packet from the parameter's typed value (bool, float, int32, double); 0 or -20004.
    int32_t FillSingleValuePacket(const char* id, DispatchPacket& packet);

    // [any] The controller link a pass posts through; idle once no pass holds the controller
    // it was given before (the owner frees that controller only then).
    const CallbackLinkCore& controllerInUse() const { return controller; }

    // [main] Runs change() under the dispatcher's lock: what a pass reads (the owner's parameters,
    // the controller) is not changed under it.
    template <class Change>
    void whileLocked(Change&& change) {
        ThreadMutexGuard guard(lock);
        change();
    }

private:
    // One pass over the dirty packets: filled under the lock, posted outside it.
    int32_t postOnce();

    struct Entry {
        DispatchPacket* packet;  // owned by packets
        std::unique_ptr<AAX_IPacketHandler> handler;
    };

    std::map<uint32_t, DispatchPacket> packets;
    // std::string orders byte-wise; equal keys keep registration order.
    std::multimap<std::string, Entry, std::less<>> entries;
    // [any thread: link] followed by passes while they post, outside the lock
    CallbackLink<AAX_IController> controller;
    // [any thread: atomic] passes asked for and not yet served; the one that raised it from 0 runs them
    std::atomic<int32_t> passRequests{0};
    // [any thread: atomic] set after a packet is marked dirty (under the lock), taken by a pass
    // before it reads the flags: a pass with nothing marked since the last one neither locks nor
    // walks. Hosts ask for packets before every render cycle, and a system mutex is a round trip
    // to the kernel (under Wine to its server) even when no one holds it.
    std::atomic<bool> maybeDirty{false};
    AAX_IACFEffectParameters* effectParameters = nullptr;
    ThreadMutex* lock = nullptr;  // null when the system had no mutex to give: then no locking
};
