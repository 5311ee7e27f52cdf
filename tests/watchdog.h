// Ends the whole test process, saying why, when a case has not finished in time: a deadlock in the
// module must fail CI in bounded time instead of blocking it until the job's own limit.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace testing_support {

class Watchdog {
public:
    // Armed from construction until destruction; `what` names the case in the message.
    Watchdog(std::string what, std::chrono::seconds limit) : name(std::move(what)) {
        guard = std::thread([this, limit] {
            std::unique_lock<std::mutex> hold(lock);
            if (changed.wait_for(hold, limit, [this] { return disarmed; })) return;
            std::fprintf(stderr,
                         "\n[ watchdog ] %s did not finish within %lld s: a thread is stuck (most likely the "
                         "host's main thread waiting inside the module for a callback that waits for the "
                         "main thread). Ending the process.\n",
                         name.c_str(), static_cast<long long>(limit.count()));
            std::fflush(stderr);
            std::abort();
        });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> hold(lock);
            disarmed = true;
        }
        changed.notify_all();
        guard.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::string name;
    std::mutex lock;
    std::condition_variable changed;
    bool disarmed = false;
    std::thread guard;
};

}  // namespace testing_support
