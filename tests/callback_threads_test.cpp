// The host callback's shared state under two threads, each case made deterministic by holding one
// thread at the exact point where the other used to break it: the link that outlives no target,
// the ID look-up of one thread beside another's, and the time record beside a slow request.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <cstring>
#include <thread>

#include "fake_controller.h"
#include "parameters/parameter_manager.h"
#include "stub_parameter.h"
#include "util/callback_link.h"
#include "vst/host_callback.h"
#include "vst/vst_callback.h"

namespace {

AAXWrapper_Parameters* const kSomeOwner = reinterpret_cast<AAXWrapper_Parameters*>(0x1000);

void waitFor(const std::atomic<int32_t>& step, int32_t value) {
    while (step.load() != value) std::this_thread::yield();
}

struct Target {
    std::atomic<int32_t> calls{0};
};

// Runs unlink on a thread of its own and answers whether it returned within a few seconds, while
// the callback inside the link waits for the test's main thread: an unlinking thread that waited
// for that callback would never return.
template <class Unlink>
bool returnsWhileACallbackWaitsForIt(Unlink&& unlink) {
    auto returned = std::make_shared<std::atomic<bool>>(false);
    std::thread unlinking([&unlink, returned] {
        unlink();
        returned->store(true);
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!returned->load() && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    const bool inTime = returned->load();
    unlinking.detach();  // joined or not, the test goes on; a hang fails below rather than blocks
    return inTime;
}

TEST(CallbackLink, UnlinkingNeverWaitsAndTheLinkStaysBusyUntilTheCallbackLeaves) {
    CallbackLink<Target> link;
    Target old;
    Target next;
    link.set(&old);
    std::atomic<int32_t> step{0};
    std::thread callback([&] {
        link.visit([&](Target& inside) {
            step.store(1);
            waitFor(step, 2);  // as a callback waiting for the host's main thread
            inside.calls.fetch_add(1);
        });
    });
    waitFor(step, 1);
    EXPECT_FALSE(link.idle());
    EXPECT_TRUE(returnsWhileACallbackWaitsForIt([&] { link.set(&next); })) << "replacing waited for the callback";
    // New callbacks reach the new target at once while the old one is still held.
    EXPECT_TRUE(link.visit([](Target& found) { found.calls.fetch_add(1); }));
    EXPECT_EQ(next.calls.load(), 1);
    EXPECT_TRUE(returnsWhileACallbackWaitsForIt([&] { link.clear(); })) << "clearing waited for the callback";
    EXPECT_FALSE(link.idle()) << "the old target is still in use";
    step.store(2);
    callback.join();
    EXPECT_EQ(old.calls.load(), 1);
    EXPECT_TRUE(link.idle());
    EXPECT_FALSE(link.visit([](Target&) {}));
    EXPECT_FALSE(link.clearIf(&next)) << "nothing is linked any more";
}

// A host that unlinks from inside a call it is serving through the same link, on the same
// thread, must not wait for itself; nested visits of the same thread count as its own too.
TEST(CallbackLink, UnlinkingFromInsideOwnVisitDoesNotWaitForItself) {
    CallbackLink<Target> link;
    Target target;
    link.set(&target);
    bool nestedVisit = false;
    link.visit([&](Target&) {
        nestedVisit = link.visit([&](Target&) { link.clear(); });
    });
    EXPECT_TRUE(nestedVisit);
    EXPECT_EQ(link.linked(), nullptr);
}

// A plug-in for two threads at once: answers -14 with "first" for index 0 and "second" for any
// other index, holding the index-0 look-up until the test lets it go.
struct TwoThreadPlugin {
    TwoThreadPlugin() {
        effect.magic = kEffectMagic;
        effect.numParams = 2;
        effect.object = this;
        effect.dispatcher = [](AEffect* e, int32_t opcode, int32_t index, VstIntPtr, void* ptr, float) -> VstIntPtr {
            auto& self = *static_cast<TwoThreadPlugin*>(e->object);
            if (opcode == effProcessEvents) self.processEvents.fetch_add(1);
            if (opcode != kPrivateGetParamID || !ptr) return 0;
            std::strcpy(static_cast<char*>(ptr), index == 0 ? "first" : "second");
            if (index == 0) {
                self.step.store(1);
                waitFor(self.step, 2);
            }
            return 1;
        };
    }
    VstIntPtr callHost(int32_t opcode, int32_t index = 0, float opt = 0.0f) {
        return HostCallback(&effect, opcode, index, 0, nullptr, opt);
    }
    AEffect effect{};
    std::atomic<int32_t> step{0};
    std::atomic<int32_t> processEvents{0};
};

class RecordedValue final : public testing_support::StubParameter {
public:
    explicit RecordedValue(const char* parameterId) : StubParameter(parameterId) {}
    void SetNormalizedValue(double value) override { received.store(value); }
    std::atomic<double> received{-1.0};
};

TEST(HostCallbackThreads, AnAutomatedValueLandsOnTheParameterItsOwnLookUpNamed) {
    TwoThreadPlugin plugin;
    VstCallBack state(kSomeOwner);
    plugin.effect.user = &state;
    ParameterManager manager;
    auto* first = new RecordedValue("first");
    auto* second = new RecordedValue("second");
    ASSERT_TRUE(manager.AddParameter(first));
    ASSERT_TRUE(manager.AddParameter(second));
    state.parameterManager.set(&manager);

    // The first look-up has its ID and is held before it is used; the second runs to the end.
    std::thread held([&] { plugin.callHost(audioMasterAutomate, 0, 0.25f); });
    waitFor(plugin.step, 1);
    plugin.callHost(audioMasterAutomate, 1, 0.75f);
    plugin.step.store(2);
    held.join();
    EXPECT_EQ(first->received.load(), 0.25);
    EXPECT_EQ(second->received.load(), 0.75);
}

// A controller whose sample-rate answer waits until the test lets it go.
class SlowController final : public testing_support::FakeController {
public:
    int32_t GetSampleRate(float* out) override {
        if (holdNext.exchange(false)) {
            step.store(1);
            waitFor(step, 2);
        }
        return FakeController::GetSampleRate(out);
    }
    std::atomic<bool> holdNext{false};
    std::atomic<int32_t> step{0};
};

TEST(HostCallbackThreads, TheTimeRecordStaysWholeWhileAnotherRequestWaitsForTheSampleRate) {
    TwoThreadPlugin plugin;
    VstCallBack state(kSomeOwner);
    plugin.effect.user = &state;
    SlowController controller;
    state.controller.set(&controller);
    state.storePlaying(true);
    state.tempoValid = 1;
    state.tempo = 98.0;
    const auto* held = reinterpret_cast<const VstTimeInfo*>(plugin.callHost(audioMasterGetTime));
    ASSERT_NE(held, nullptr);

    // The render call still reads `held` while the plug-in's interface thread asks for the time.
    controller.holdNext = true;
    std::thread asking([&] { plugin.callHost(audioMasterGetTime); });
    waitFor(controller.step, 1);
    const VstTimeInfo seen = *held;
    controller.step.store(2);
    asking.join();
    EXPECT_EQ(seen.sampleRate, 48000.0);
    EXPECT_EQ(seen.tempo, 98.0);
    EXPECT_EQ(seen.flags, kVstTempoValid | kVstTransportPlaying);
}

// A request that read "playing" before the stop and reports after another request reported the
// stop must not set the stop up again: one all-notes-off per stop.
TEST(HostCallbackThreads, AStaleRequestDoesNotReportAStopTwice) {
    TwoThreadPlugin plugin;
    VstCallBack state(kSomeOwner);
    plugin.effect.user = &state;
    SlowController controller;
    state.controller.set(&controller);
    state.storePlaying(true);
    plugin.callHost(audioMasterGetTime);

    controller.holdNext = true;
    std::thread stale([&] { plugin.callHost(audioMasterGetTime); });  // reads "playing", then waits
    waitFor(controller.step, 1);
    state.storePlaying(false);  // the next render call finds the transport stopped
    plugin.callHost(audioMasterGetTime);
    EXPECT_EQ(plugin.processEvents.load(), 1);
    controller.step.store(2);
    stale.join();
    plugin.callHost(audioMasterGetTime);
    EXPECT_EQ(plugin.processEvents.load(), 1) << "the stale request set the stop up again";
    EXPECT_EQ(state.wasPlaying(), 0);
}

// The controller link: Uninitialize clears it without waiting for a request inside the proxy (that
// request may wait for the main thread), and the proxy is retired until the link is idle.
TEST(HostCallbackThreads, AProxyUnlinkedWhileARequestIsInsideLivesUntilTheRequestLeaves) {
    TwoThreadPlugin plugin;
    VstCallBack state(kSomeOwner);
    plugin.effect.user = &state;
    auto controller = std::make_unique<SlowController>();
    SlowController* proxy = controller.get();
    proxy->holdNext = true;
    state.controller.set(proxy);
    std::thread asking([&] { plugin.callHost(audioMasterGetSampleRate); });
    waitFor(proxy->step, 1);
    EXPECT_TRUE(returnsWhileACallbackWaitsForIt([&] {
        state.controller.clear();
        if (!state.linksIdle()) state.retire(std::move(controller));
    })) << "Uninitialize waited for the request inside the controller";
    ASSERT_EQ(controller, nullptr) << "a proxy in use was not retired";
    state.freeRetiredWhenIdle();
    EXPECT_EQ(state.retiredCount(), 1u) << "freed while the request was still inside";
    proxy->step.store(2);
    asking.join();
    state.freeRetiredWhenIdle();
    EXPECT_EQ(state.retiredCount(), 0u);
    EXPECT_EQ(state.sampleRate(), 44100.0);
}

// A request that waited for the sample rate answers with the transport of the render call current
// when it answers: it neither reports a stop another request reported, nor copies the older
// transport over the record the render call's plug-in reads.
TEST(HostCallbackThreads, ASlowRequestAnswersTheTransportCurrentWhenItAnswers) {
    TwoThreadPlugin plugin;
    VstCallBack state(kSomeOwner);
    plugin.effect.user = &state;
    SlowController controller;
    state.controller.set(&controller);
    state.storePlaying(true);
    const auto* record = reinterpret_cast<const VstTimeInfo*>(plugin.callHost(audioMasterGetTime));
    ASSERT_NE(record, nullptr);
    ASSERT_NE(record->flags & kVstTransportPlaying, 0);

    controller.holdNext = true;
    std::thread slow([&] { plugin.callHost(audioMasterGetTime); });
    waitFor(controller.step, 1);
    state.storePlaying(false);  // the render call now finds the transport stopped
    plugin.callHost(audioMasterGetTime);
    EXPECT_EQ(plugin.processEvents.load(), 1) << "the stop got its all-notes-off";
    controller.step.store(2);
    slow.join();
    EXPECT_EQ(record->flags & kVstTransportPlaying, 0) << "an older transport was copied over the record";
    EXPECT_EQ(plugin.processEvents.load(), 1);
}

}  // namespace
