// Owner-tracking mutex: re-entry without waiting, exclusion between threads, and the
// states without a mutex (creation failed, destroyed, failed wait).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "fake_mutex_platform.h"
#include "util/thread_mutex.h"

namespace {

class ThreadMutexTest : public ::testing::Test {
protected:
    void SetUp() override { lock = ThreadMutex::create(); }
    void TearDown() override { ThreadMutex::destroy(lock); }

    FakeMutexPlatform fake;
    ThreadMutex* lock = nullptr;
};

TEST_F(ThreadMutexTest, NestedGuardNeitherWaitsNorReleases) {
    ASSERT_NE(lock, nullptr);
    const uint32_t self = platform::api().GetCurrentThreadId();
    {
        ThreadMutexGuard outer(lock);
        EXPECT_EQ(lock->owner.load(), self);
        {
            ThreadMutexGuard inner(lock);
            EXPECT_EQ(FakeMutexPlatform::counts().waits, 1);
        }
        EXPECT_EQ(FakeMutexPlatform::counts().releases, 0);
        EXPECT_EQ(lock->owner.load(), self);
    }
    EXPECT_EQ(FakeMutexPlatform::counts().releases, 1);
    EXPECT_EQ(lock->owner.load(), 0u);
}

// The second thread is parked in its wait while the first still holds the mutex through a
// nested guard; only the end of the outermost guard lets it in.
TEST_F(ThreadMutexTest, SecondThreadWaitsForTheOutermostGuard) {
    ASSERT_NE(lock, nullptr);
    std::atomic<bool> secondInside{false};
    uint32_t secondId = 0;
    int shared = 0;  // unsynchronised on purpose: the thread sanitizer sees any overlap
    std::thread second;
    {
        ThreadMutexGuard outer(lock);
        ++shared;
        {
            ThreadMutexGuard inner(lock);
            second = std::thread([&] {
                ThreadMutexGuard guard(lock);
                secondId = lock->owner.load();
                ++shared;
                secondInside = true;
            });
            FakeMutexPlatform::awaitWaits(2);
        }
        EXPECT_FALSE(secondInside.load());
        EXPECT_EQ(FakeMutexPlatform::counts().releases, 0);
        ++shared;
    }
    second.join();
    EXPECT_TRUE(secondInside.load());
    EXPECT_EQ(shared, 3);
    EXPECT_NE(secondId, 0u);
    EXPECT_NE(secondId, platform::api().GetCurrentThreadId());
    EXPECT_EQ(FakeMutexPlatform::counts().releases, 2);
    EXPECT_EQ(lock->owner.load(), 0u);
}

TEST_F(ThreadMutexTest, DestroyClosesOnceAndLeavesGuardsInert) {
    ThreadMutex::destroy(lock);
    EXPECT_EQ(lock, nullptr);
    EXPECT_EQ(FakeMutexPlatform::counts().closes, 1);
    ThreadMutex::destroy(lock);
    EXPECT_EQ(FakeMutexPlatform::counts().closes, 1);
    { ThreadMutexGuard guard(lock); }
    EXPECT_EQ(FakeMutexPlatform::counts().waits, 0);
    EXPECT_EQ(FakeMutexPlatform::counts().releases, 0);
}

TEST(ThreadMutexCreation, FailedCreationGivesNoMutexAndNoLocking) {
    FakeMutexPlatform fake;
    FakeMutexPlatform::failCreation(true);
    ThreadMutex* lock = ThreadMutex::create();
    EXPECT_EQ(lock, nullptr);
    EXPECT_EQ(FakeMutexPlatform::counts().creates, 1);
    { ThreadMutexGuard guard(lock); }
    EXPECT_EQ(FakeMutexPlatform::counts().waits, 0);
    ThreadMutex::destroy(lock);
    EXPECT_EQ(FakeMutexPlatform::counts().closes, 0);
}

// A wait that took nothing must not claim the mutex: the guard would later release a mutex
// it never held, and a real holder's release would be skipped.
TEST_F(ThreadMutexTest, FailedWaitClaimsNothing) {
    ASSERT_NE(lock, nullptr);
    FakeMutexPlatform::failWaits(true);
    {
        ThreadMutexGuard guard(lock);
        EXPECT_EQ(lock->owner.load(), 0u);
    }
    EXPECT_EQ(FakeMutexPlatform::counts().waits, 1);
    EXPECT_EQ(FakeMutexPlatform::counts().releases, 0);
}

}  // namespace
