// A platform table whose mutex calls are counted (and can be made to fail) while still reaching
// the real mutex, so tests can see waits and releases and sequence threads on them.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/platform.h"

class FakeMutexPlatform {
public:
    FakeMutexPlatform() {
        reset();
        table = platform::systemApi();
        table.CreateMutexA = &createMutex;
        table.WaitForSingleObject = &wait;
        table.ReleaseMutex = &release;
        table.CloseHandle = &close;
        platform::setApi(&table);
    }
    ~FakeMutexPlatform() { platform::setApi(nullptr); }
    FakeMutexPlatform(const FakeMutexPlatform&) = delete;
    FakeMutexPlatform& operator=(const FakeMutexPlatform&) = delete;

    struct Counts {
        int creates = 0;
        int waits = 0;  // started, whether or not they returned yet
        int releases = 0;
        int closes = 0;
    };

    static Counts counts() {
        std::lock_guard<std::mutex> hold(state().mutex);
        return state().counts;
    }
    // Blocks until at least n waits have started (on any thread).
    static void awaitWaits(int n) {
        std::unique_lock<std::mutex> hold(state().mutex);
        state().changed.wait(hold, [n] { return state().counts.waits >= n; });
    }
    static void failCreation(bool fail) { setFlag(&State::failCreate, fail); }
    // The wait returns WAIT_FAILED without taking the mutex.
    static void failWaits(bool fail) { setFlag(&State::failWait, fail); }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable changed;
        Counts counts;
        bool failCreate = false;
        bool failWait = false;
    };
    static State& state() {
        static State shared;
        return shared;
    }
    static void reset() {
        std::lock_guard<std::mutex> hold(state().mutex);
        state().counts = Counts{};
        state().failCreate = false;
        state().failWait = false;
    }
    static void setFlag(bool State::*flag, bool value) {
        std::lock_guard<std::mutex> hold(state().mutex);
        state().*flag = value;
    }
    // Counts one call and answers whether the scripted failure applies.
    static bool count(int Counts::*counter, bool State::*failure) {
        std::lock_guard<std::mutex> hold(state().mutex);
        ++(state().counts.*counter);
        state().changed.notify_all();
        return failure ? state().*failure : false;
    }

    static platform::HANDLE createMutex(void* attributes, int32_t initialOwner, const char* name) {
        if (count(&Counts::creates, &State::failCreate)) return nullptr;
        return platform::systemApi().CreateMutexA(attributes, initialOwner, name);
    }
    static uint32_t wait(platform::HANDLE handle, uint32_t milliseconds) {
        if (count(&Counts::waits, &State::failWait)) return 0xFFFFFFFFu;
        return platform::systemApi().WaitForSingleObject(handle, milliseconds);
    }
    static int32_t release(platform::HANDLE handle) {
        count(&Counts::releases, nullptr);
        return platform::systemApi().ReleaseMutex(handle);
    }
    static int32_t close(platform::HANDLE handle) {
        count(&Counts::closes, nullptr);
        return platform::systemApi().CloseHandle(handle);
    }

    platform::Api table{};
};
