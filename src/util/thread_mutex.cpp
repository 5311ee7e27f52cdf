// Owner-tracking mutex over the platform layer's Win32-style mutex calls.
#include "util/thread_mutex.h"

#include <new>

namespace {
// Win32's WAIT_FAILED: the wait did not take the mutex.
constexpr uint32_t kWaitFailed = 0xFFFFFFFFu;
}  // namespace

ThreadMutex* ThreadMutex::create() {
    auto* mutex = new (std::nothrow) ThreadMutex;
    if (!mutex) return nullptr;
    mutex->handle = platform::api().CreateMutexA(nullptr, 0, nullptr);
    if (!mutex->handle) {
        delete mutex;
        return nullptr;
    }
    return mutex;
}

void ThreadMutex::destroy(ThreadMutex*& slot) {
    if (!slot) return;
    platform::api().CloseHandle(slot->handle);
    delete slot;
    slot = nullptr;
}

ThreadMutexGuard::ThreadMutexGuard(ThreadMutex* const& holderSlot) : slot(holderSlot) {
    ThreadMutex* mutex = slot;
    if (!mutex) return;
    const uint32_t self = platform::api().GetCurrentThreadId();
    if (mutex->owner.load(std::memory_order_relaxed) == self) return;
    // A failed wait took nothing: claiming ownership would make the real holder's release a
    // no-op and leave the mutex held for ever, so this scope runs unlocked instead. An
    // abandoned wait did hand over the mutex and counts as taken.
    if (platform::api().WaitForSingleObject(mutex->handle, platform::kInfinite) == kWaitFailed) return;
    mutex->owner.store(self, std::memory_order_relaxed);
    locked = true;
}

ThreadMutexGuard::~ThreadMutexGuard() {
    if (!locked) return;
    ThreadMutex* mutex = slot;
    if (!mutex) return;
    if (mutex->owner.load(std::memory_order_relaxed) != platform::api().GetCurrentThreadId()) return;
    // Cleared first, so a waiter that wakes writes its own id after ours is gone.
    mutex->owner.store(0, std::memory_order_relaxed);
    platform::api().ReleaseMutex(mutex->handle);
}
