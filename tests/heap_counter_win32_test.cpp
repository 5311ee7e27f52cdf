// The validator's Windows heap counter: it sees the C runtime's and the process heap's calls
// through the import tables of the modules it patches, a library loaded later included, only on
// the counting thread, and tells the plug-in's calls from the rest.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <malloc.h>
#include <new>
#include <thread>
#include <vector>

#include "install_folder.h"
#include "simhost/direct_vst_host.h"
#include "tools/korvex-host/validate/heap_counter.h"

namespace {

using namespace korvex_validate;

// Pointers parked here escape, so the compiler cannot drop an allocation and its free.
void* volatile gEscape = nullptr;

const char* callName() { return "the call in progress"; }

class HeapCounterWin32 : public ::testing::Test {
protected:
    void TearDown() override {
        endHeapCount();
        countHeapCallsOfExecutable(false);
        setHeapCallNamer(nullptr);
    }
};

TEST_F(HeapCounterWin32, CountsTheCRuntimeAndTheProcessHeapCallsOfThisProgram) {
    ASSERT_TRUE(heapCountingAvailable());
    countHeapCallsOfExecutable(true);
    setHeapCallNamer(callName);
    beginHeapCount();
    gEscape = std::malloc(24);
    std::free(gEscape);
    gEscape = std::calloc(4, 8);
    gEscape = std::realloc(gEscape, 4096);
    std::free(gEscape);
    gEscape = _aligned_malloc(128, 64);
    _aligned_free(gEscape);
    gEscape = _strdup("text");
    std::free(gEscape);
    int* one = new int(3);  // the static C++ runtime's operator new ends in this program's malloc
    gEscape = one;
    delete one;
    const HANDLE heap = GetProcessHeap();
    gEscape = HeapAlloc(heap, 0, 100);
    gEscape = HeapReAlloc(heap, 0, gEscape, 200);
    HeapFree(heap, 0, gEscape);
    std::free(nullptr);  // not a heap call worth counting
    const HeapCounts counts = endHeapCount();
    EXPECT_EQ(counts.allocations, 8u);  // the reallocs count as allocations
    EXPECT_EQ(counts.frees, 6u);
    EXPECT_EQ(counts.firstSize, 24u);
    EXPECT_STREQ(counts.firstCall, "the call in progress");

    gEscape = std::malloc(8);
    std::free(gEscape);
    EXPECT_EQ(endHeapCount().allocations, 8u) << "nothing is counted once the gate is down";
}

TEST_F(HeapCounterWin32, LeavesThisProgramAloneUnlessAsked) {
    beginHeapCount();
    gEscape = std::malloc(24);
    std::free(gEscape);
    EXPECT_EQ(endHeapCount().allocations, 0u) << "the tool's own calls are no heap calls of the render call";
}

TEST_F(HeapCounterWin32, CountsALibraryLoadedLaterAsThePlugInsOwnAndOnlyOnTheCountingThread) {
    simhost::DirectVstHost plugin;
    ASSERT_TRUE(plugin.load(testing_support::pluginFile("allocating").string())) << plugin.error();
    plugin.start(48000.0f);
    std::vector<float> in(64, 0.0f), out0(64), out1(64);

    // Another thread's calls, with this program counted too: events, not locks, make them happen
    // while this thread counts, so this thread makes no heap call of its own meanwhile.
    countHeapCallsOfExecutable(true);
    const HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread other([&] {
        WaitForSingleObject(go, INFINITE);
        for (int i = 0; i < 100; ++i) {
            gEscape = std::malloc(16);
            std::free(gEscape);
        }
        SetEvent(done);
    });
    beginHeapCount();
    SetEvent(go);
    WaitForSingleObject(done, INFINITE);
    const HeapCounts beforeCall = endHeapCount();
    other.join();
    CloseHandle(go);
    CloseHandle(done);
    countHeapCallsOfExecutable(false);

    beginHeapCount();
    enterPluginCall();
    plugin.process(in.data(), in.data(), out0.data(), out1.data(), 64);
    leavePluginCall();
    const HeapCounts counts = endHeapCount();
    EXPECT_EQ(beforeCall.allocations, 0u) << "another thread's calls are not this thread's";
    EXPECT_GE(counts.allocations, 1u) << "the plug-in allocates in processReplacing";
    EXPECT_EQ(counts.pluginAllocations, counts.allocations);
    EXPECT_EQ(counts.pluginFrees, counts.frees);
    EXPECT_EQ(counts.firstSize, 64u * sizeof(float));
    plugin.close();
}

}  // namespace
