// The module's one lock: an OS mutex that knows its holding thread, so the holder may re-enter.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/platform.h"

// Owned by its holder through a pointer slot; a null slot means the holder runs without locking.
struct ThreadMutex {
    // Read without the mutex before waiting: a thread can only find its own id here while it
    // holds the mutex, so a relaxed read decides re-entry correctly. 0 when nobody holds it.
    std::atomic<uint32_t> owner{0};
    platform::HANDLE handle = nullptr;

    // A new mutex, or null when the system cannot make one (the holder then runs unlocked).
    static ThreadMutex* create();
    // Closes and frees the mutex in the slot and nulls the slot; no guard may be active.
    static void destroy(ThreadMutex*& slot);
};
static_assert(sizeof(std::atomic<uint32_t>) == sizeof(uint32_t), "owner keeps its plain 32-bit size");

// Holds the holder's mutex for one scope. Nested guards on the holding thread neither wait nor
// release; only the outermost one does.
class ThreadMutexGuard {
public:
    // Keeps the slot, not the mutex, so release sees whatever the slot holds by then.
    explicit ThreadMutexGuard(ThreadMutex* const& holderSlot);
    ~ThreadMutexGuard();
    ThreadMutexGuard(const ThreadMutexGuard&) = delete;
    ThreadMutexGuard& operator=(const ThreadMutexGuard&) = delete;

private:
    ThreadMutex* const& slot;
    bool locked = false;
};
