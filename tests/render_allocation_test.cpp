// The render callback allocates nothing: every operator new in this binary is counted, and where
// the validator's heap counter sees the C runtime's and the process heap's calls of this program
// too (Windows, through its import tables), so are they on fresh render threads.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#include "fake_effect.h"
#include "parameters/parameter_manager.h"
#include "stub_parameter.h"
#include "render/render_callback.h"
#include "simhost/render_context_builder.h"
#include "tools/korvex-host/validate/heap_counter.h"
#include "vst/vst_callback.h"
#include "vst/vst_interface.h"

namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(RenderAllocation, CounterSeesAnAllocation) {
    const long before = gAllocations.load();
    int* volatile escaped = new int(3);  // volatile: the pair may not be optimised away
    delete escaped;
    EXPECT_EQ(gAllocations.load(), before + 1);
}

TEST(RenderAllocation, RenderCallWithMidiTransportAndTimeRequestsAllocatesNothing) {
    testing_support::FakeEffect plugin(2);
    VstCallBack state(reinterpret_cast<AAXWrapper_Parameters*>(0x1000));
    VstInterface vst;
    vst.effect = &plugin.effect;
    vst.callback = &state;
    plugin.effect.user = &state;
    plugin.onProcess = [](testing_support::FakeEffect& self) { self.callHost(audioMasterGetTime); };

    simhost::RenderContextBuilder context(simhost::kStemStereo, 512);
    const int32_t channels = 2, loaded = 1;
    const VstInterface* address = &vst;
    context.postPacket(1, &channels, 4);
    context.postPacket(3, &channels, 4);
    context.postPacket(7, &address, 8);
    context.postPacket(8, &loaded, 4);
    for (uint32_t i = 0; i < 16; ++i) context.midiInput().addPacket(i, 0x90, static_cast<uint8_t>(60 + i), 100);
    context.transport().setPlaying(true);
    void* batch[] = {nullptr, context.context()};

    const long before = gAllocations.load();
    RenderCallback(batch, batch + 2);                                  // playing, just started
    context.transport().setPlaying(false);
    RenderCallback(batch, batch + 2);                                  // stopped: all-notes-off from the time request
    const long during = gAllocations.load() - before;

    EXPECT_EQ(during, 0);
    EXPECT_EQ(plugin.processCount(), 2u);
    EXPECT_EQ(plugin.dispatches(effProcessEvents).size(), 16u * 2 + 1);
    vst.effect = nullptr;
}

TEST(RenderAllocation, PlugInWithExtraChannelsAllocatesNothingEvenInPieces) {
    testing_support::FakeEffect plugin(0);
    plugin.effect.numInputs = 4;
    plugin.effect.numOutputs = 6;
    VstCallBack state(reinterpret_cast<AAXWrapper_Parameters*>(0x1000));
    VstInterface vst;
    vst.effect = &plugin.effect;
    vst.callback = &state;
    plugin.effect.user = &state;
    ASSERT_TRUE(vst.prepareChannels());  // as the effect initialisation does, before any render

    const int32_t longBlock = ChannelArrays::kPreparedFrames + 100;
    simhost::RenderContextBuilder context(simhost::kStemStereo, longBlock);
    const int32_t channels = 2, loaded = 1;
    const VstInterface* address = &vst;
    context.postPacket(1, &channels, 4);
    context.postPacket(3, &channels, 4);
    context.postPacket(7, &address, 8);
    context.postPacket(8, &loaded, 4);
    context.midiInput().addPacket(0, 0x90, 60, 100);
    void* batch[] = {context.context()};

    const long before = gAllocations.load();
    context.setFrames(256);
    RenderCallback(batch, batch + 1);
    context.setFrames(longBlock);                                       // two pieces
    RenderCallback(batch, batch + 1);
    const long during = gAllocations.load() - before;

    EXPECT_EQ(during, 0);
    EXPECT_EQ(plugin.processCount(), 3u);
    vst.effect = nullptr;
}

// A plug-in automating from its render call with an ID too long for a short-string buffer, on
// render threads each of which calls back for the first time: hosts start render threads at will.
TEST(RenderAllocation, AutomationWithALongIdFromFreshRenderThreadsAllocatesNothing) {
    static const char* const kLongId = "a_parameter_id_of_26_chars";
    class CountingParameter final : public testing_support::StubParameter {
    public:
        CountingParameter() : StubParameter(kLongId) {}
        void SetNormalizedValue(double) override { received.fetch_add(1); }
        std::atomic<int32_t> received{0};
    };
    testing_support::FakeEffect plugin(2);
    plugin.calls.reserve(1024);
    plugin.ids[0] = kLongId;
    plugin.onProcess = [](testing_support::FakeEffect& self) {
        self.callHost(audioMasterBeginEdit, 0);
        self.callHost(audioMasterAutomate, 0, 0, nullptr, 0.5f);
        self.callHost(audioMasterEndEdit, 0);
        self.callHost(audioMasterGetTime);
    };
    VstCallBack state(reinterpret_cast<AAXWrapper_Parameters*>(0x1000));
    ParameterManager parameters;
    auto* parameter = new CountingParameter;
    ASSERT_TRUE(parameters.AddParameter(parameter));
    state.parameterManager.set(&parameters);
    VstInterface vst;
    vst.effect = &plugin.effect;
    vst.callback = &state;
    plugin.effect.user = &state;

    simhost::RenderContextBuilder context(simhost::kStemStereo, 256);
    const int32_t channels = 2, loaded = 1;
    const VstInterface* address = &vst;
    context.postPacket(1, &channels, 4);
    context.postPacket(3, &channels, 4);
    context.postPacket(7, &address, 8);
    context.postPacket(8, &loaded, 4);
    void* batch[] = {context.context()};

    const bool countingHeap = korvex_validate::heapCountingAvailable();
    korvex_validate::countHeapCallsOfExecutable(true);
    for (int round = 0; round < 3; ++round) {
        long during = -1;
        korvex_validate::HeapCounts heap;
        // Counted on the render thread itself, from its first call on: creating the thread allocates.
        std::thread render([&] {
            if (countingHeap) korvex_validate::beginHeapCount();
            const long before = gAllocations.load();
            RenderCallback(batch, batch + 1);
            during = gAllocations.load() - before;
            if (countingHeap) heap = korvex_validate::endHeapCount();
        });
        render.join();
        EXPECT_EQ(during, 0) << "render thread " << round;
        EXPECT_EQ(heap.allocations + heap.frees, 0u)
            << "render thread " << round << ": the first heap call asked for " << heap.firstSize << " bytes";
    }
    korvex_validate::countHeapCallsOfExecutable(false);
    EXPECT_EQ(parameter->received.load(), 3);
    state.parameterManager.clear();
    vst.effect = nullptr;
}

}  // namespace
