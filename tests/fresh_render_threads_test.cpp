// Hosts that start a render thread whenever they like: the module's first callback on each new
// thread, host requests from inside the plug-in's render call included, makes no heap call. The
// executable defines the allocator (as korvex-host does), so the module's and the plug-in's heap
// calls, their runtimes' and the system's on their behalf, are all counted on the render thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>

#include "simhost/render_driver.h"
#include "tools/korvex-host/validate/heap_counter.h"
#include "wrapper_fixture.h"

namespace {

using namespace korvex_validate;

// Counts what happens inside each render callback, on the thread that makes it.
class CountingObserver final : public simhost::RenderObserver {
public:
    void beforeCallback() override { beginHeapCount(); }
    void afterCallback() override {
        const HeapCounts counts = endHeapCount();
        allocations.fetch_add(counts.allocations);
        frees.fetch_add(counts.frees);
        if (counts.allocations > 0 && firstSize.load() == 0) firstSize.store(counts.firstSize);
        calls.fetch_add(1);
    }

    std::atomic<uint64_t> allocations{0};
    std::atomic<uint64_t> frees{0};
    std::atomic<uint64_t> firstSize{0};
    std::atomic<uint64_t> calls{0};
};

class FreshRenderThreads : public testing_support::WrapperTest {
protected:
    simhost::SimEffectInstance& makeOnFreshThreads() {
        simhost::HostPersonality fresh;
        fresh.freshRenderThreads = true;
        fresh.flippingTransport = true;  // a start and a stop, with its all-notes-off, every other call
        simhost::InstanceOptions options;
        options.personality = fresh;
        simhost::SimEffectInstance& instance = make(options);
        // The host's own bookkeeping would be counted with the module's.
        instance.controller().recorder.setRecording(false);
        instance.transportService().recorder.setRecording(false);
        instance.automation().recorder.setRecording(false);
        return instance;
    }
};

// The count is real: a plug-in that allocates in processReplacing is seen on the fresh thread.
TEST_F(FreshRenderThreads, CounterSeesThePlugInsHeapCallsOnTheFreshThread) {
    ASSERT_TRUE(heapCountingAvailable());
    install(testing_support::pluginFile("allocating"));
    simhost::SimEffectInstance& instance = makeOnFreshThreads();
    CountingObserver observer;
    instance.setRenderObserver(&observer);
    ASSERT_TRUE(instance.render(nullptr, nullptr, 64));
    instance.setRenderObserver(nullptr);
    EXPECT_EQ(observer.calls.load(), 1u);
    EXPECT_GE(observer.allocations.load(), 1u);
}

TEST_F(FreshRenderThreads, EachRenderCallOnANewThreadWithHostRequestsMakesNoHeapCall) {
    ASSERT_TRUE(heapCountingAvailable());
    ASSERT_TRUE(hooks.ready()) << "the recording plug-in is not built";
    recording::RecordingConfig config;
    config.askTimeInProcess = 1;
    for (int32_t opcode : {audioMasterGetTime, audioMasterGetSampleRate, audioMasterUpdateDisplay})
        config.processHostCalls[config.processHostCallCount++] = opcode;
    hooks.configure(config);
    install(testing_support::recordingLibrary());
    simhost::SimEffectInstance& instance = makeOnFreshThreads();

    // One call first: what an instance sets up once, at its first render, is not this question.
    ASSERT_TRUE(instance.render(nullptr, nullptr, 64, {{0, 0x90, 60, 100}}));
    CountingObserver observer;
    instance.setRenderObserver(&observer);
    constexpr int32_t kCalls = 32;
    for (int32_t i = 0; i < kCalls; ++i)
        ASSERT_TRUE(instance.render(nullptr, nullptr, 64, {{0, 0x90, static_cast<uint8_t>(60 + i % 12), 100}}));
    instance.setRenderObserver(nullptr);

    EXPECT_EQ(observer.calls.load(), static_cast<uint64_t>(kCalls));
    EXPECT_EQ(observer.allocations.load(), 0u)
        << "heap calls in render callbacks on fresh threads; the first asked for " << observer.firstSize.load() << " bytes";
    EXPECT_EQ(observer.frees.load(), 0u);
    EXPECT_GE(logOf(instance).processHostCalls.load(), static_cast<uint32_t>(3 * kCalls));
}

}  // namespace
