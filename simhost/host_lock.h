// The host's own lock of the "host-lock" personality: one recursive mutex per simulated host,
// held around the host's main-thread calls into the module and taken by its services.
#pragma once

#include <mutex>

namespace simhost {

class HostLock {
public:
    // Holds `lock` for its scope; a null lock (a host without one) holds nothing.
    class Hold {
    public:
        explicit Hold(HostLock* lock) : held(lock) {
            if (held) held->mutex.lock();
        }
        ~Hold() {
            if (held) held->mutex.unlock();
        }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        HostLock* held;
    };

    HostLock() = default;
    HostLock(const HostLock&) = delete;
    HostLock& operator=(const HostLock&) = delete;

private:
    // Recursive: the module calls the host's services from inside the host's own calls.
    std::recursive_mutex mutex;
};

}  // namespace simhost
