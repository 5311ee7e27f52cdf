// The validator's heap counter, linked into this test the way it is linked into korvex-host: it
// sees every kind of heap call, only on the counting thread, and tells the plug-in's from the rest.
#include <gtest/gtest.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <new>
#include <thread>

#include "tools/korvex-host/validate/heap_counter.h"

namespace {

using namespace korvex_validate;

// Pointers parked here escape, so the compiler cannot drop an allocation and its free.
void* volatile gEscape = nullptr;

const char* callName() { return "the call in progress"; }

TEST(HeapCounter, CountsTheWholeMallocFamilyAndEveryOperatorNew) {
    ASSERT_TRUE(heapCountingAvailable());
    beginHeapCount();
    gEscape = std::malloc(24);
    std::free(gEscape);
    gEscape = std::calloc(4, 8);
    gEscape = std::realloc(gEscape, 4096);
    std::free(gEscape);
    gEscape = std::aligned_alloc(64, 128);
    std::free(gEscape);
    void* aligned = nullptr;
    ASSERT_EQ(posix_memalign(&aligned, 32, 100), 0);
    gEscape = aligned;
    std::free(gEscape);
    int* one = new int(3);
    gEscape = one;
    delete one;
    auto* many = new double[17];
    gEscape = many;
    delete[] many;
    struct alignas(128) Wide {
        char bytes[128];
    };
    auto* wide = new Wide;
    gEscape = wide;
    delete wide;
    auto* quiet = new (std::nothrow) char[5];
    gEscape = quiet;
    delete[] quiet;
    std::free(nullptr);  // not a heap call worth counting
    const HeapCounts counts = endHeapCount();
    EXPECT_EQ(counts.allocations, 9u);  // realloc counts as an allocation
    EXPECT_EQ(counts.frees, 8u);
    EXPECT_EQ(counts.firstSize, 24u);

    gEscape = std::malloc(8);
    std::free(gEscape);
    EXPECT_EQ(endHeapCount().allocations, 9u) << "nothing is counted once the gate is down";
}

TEST(HeapCounter, CountsOnlyTheCallingThreadAndToldThePlugInsCallsApart) {
    std::mutex lock;
    std::condition_variable change;
    bool go = false, done = false;
    std::thread other([&] {
        std::unique_lock<std::mutex> hold(lock);
        change.wait(hold, [&] { return go; });
        for (int i = 0; i < 100; ++i) {
            gEscape = std::malloc(16);
            std::free(gEscape);
        }
        done = true;
        change.notify_all();
    });
    setHeapCallNamer(callName);
    beginHeapCount();
    {
        std::lock_guard<std::mutex> hold(lock);
        go = true;
    }
    change.notify_all();
    {
        std::unique_lock<std::mutex> hold(lock);
        change.wait(hold, [&] { return done; });
    }
    enterPluginCall();
    gEscape = std::malloc(40);
    leavePluginCall();
    std::free(gEscape);
    const HeapCounts counts = endHeapCount();
    setHeapCallNamer(nullptr);
    other.join();
    EXPECT_EQ(counts.allocations, 1u) << "the other thread's 100 allocations are not this thread's";
    EXPECT_EQ(counts.pluginAllocations, 1u);
    EXPECT_EQ(counts.frees, 1u);
    EXPECT_EQ(counts.pluginFrees, 0u);
    EXPECT_EQ(counts.firstSize, 40u);
    EXPECT_STREQ(counts.firstCall, "the call in progress");
}

}  // namespace
