// Hosts that start a render thread whenever they like: the module's first callback on each new
// thread, host requests from inside the plug-in's render call included, makes no heap call. The
// module's and the plug-in's heap calls, their runtimes' on their behalf included, are counted on
// the render thread (render_heap_count.h says how on each system).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "render_heap_count.h"
#include "simhost/dynamic_library.h"
#include "simhost/render_driver.h"
#include "wrapper_fixture.h"

namespace {

using testing_support::ThreadHeapCalls;

// Counts what happens inside each render callback, on the thread that makes it.
class CountingObserver final : public simhost::RenderObserver {
public:
    void beforeCallback() override { testing_support::beginHeapCount(); }
    void afterCallback() override {
        const ThreadHeapCalls counts = testing_support::endHeapCount();
        allocations.fetch_add(counts.allocations);
        frees.fetch_add(counts.frees);
        calls.fetch_add(1);
    }

    std::atomic<uint64_t> allocations{0};
    std::atomic<uint64_t> frees{0};
    std::atomic<uint64_t> calls{0};
};

class FreshRenderThreads : public testing_support::WrapperTest {
protected:
    void SetUp() override {
        std::string why;
        if (!testing_support::renderHeapCountAvailable(&why)) GTEST_SKIP() << why;
    }

    simhost::SimEffectInstance& makeOnFreshThreads(const std::filesystem::path& plugin) {
        install(plugin);
        // The libraries the instance runs: the module as the host loaded it, the plug-in as the module did.
        EXPECT_TRUE(testing_support::countHeapCallsOf(simhost::openLibrary(simhost::defaultModulePath())));
        EXPECT_TRUE(testing_support::countHeapCallsOf(simhost::openLibrary(vst->libraryPath())));
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
    simhost::SimEffectInstance& instance = makeOnFreshThreads(testing_support::pluginFile("allocating"));
    CountingObserver observer;
    instance.setRenderObserver(&observer);
    ASSERT_TRUE(instance.render(nullptr, nullptr, 64));
    instance.setRenderObserver(nullptr);
    EXPECT_EQ(observer.calls.load(), 1u);
    EXPECT_GE(observer.allocations.load(), 1u);
}

TEST_F(FreshRenderThreads, EachRenderCallOnANewThreadWithHostRequestsMakesNoHeapCall) {
    ASSERT_TRUE(hooks.ready()) << "the recording plug-in is not built";
    recording::RecordingConfig config;
    config.askTimeInProcess = 1;
    for (int32_t opcode : {audioMasterGetTime, audioMasterGetSampleRate, audioMasterUpdateDisplay})
        config.processHostCalls[config.processHostCallCount++] = opcode;
    hooks.configure(config);
    simhost::SimEffectInstance& instance = makeOnFreshThreads(testing_support::recordingLibrary());

    // One call first: what an instance sets up once, at its first render, is not this question.
    ASSERT_TRUE(instance.render(nullptr, nullptr, 64, {{0, 0x90, 60, 100}}));
    CountingObserver observer;
    instance.setRenderObserver(&observer);
    constexpr int32_t kCalls = 32;
    for (int32_t i = 0; i < kCalls; ++i)
        ASSERT_TRUE(instance.render(nullptr, nullptr, 64, {{0, 0x90, static_cast<uint8_t>(60 + i % 12), 100}}));
    instance.setRenderObserver(nullptr);

    EXPECT_EQ(observer.calls.load(), static_cast<uint64_t>(kCalls));
    EXPECT_EQ(observer.allocations.load(), 0u) << "heap allocations in render callbacks on fresh threads";
    EXPECT_EQ(observer.frees.load(), 0u) << "heap frees in render callbacks on fresh threads";
    EXPECT_GE(logOf(instance).processHostCalls.load(), static_cast<uint32_t>(3 * kCalls));
}

}  // namespace
