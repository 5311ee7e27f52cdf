// A pointer that the plug-in's host callbacks follow on any thread while the host's main thread
// links, replaces and clears it: a callback reaches a live target or none, never one going away.
#pragma once

#include <atomic>
#include <cstdint>

// The untyped part of CallbackLink. A callback entering the link is one atomic increment, one
// load and, when it leaves, one decrement: the threads following the link never wait. Only the
// thread that replaces or clears a target waits, until no callback that may hold it is inside.
// A thread's own entries are not waited for: a host that unlinks from inside a call it is
// serving through the same link (on the same thread) must not wait for itself forever. Such a
// host gets what single-threaded code would give it: the target goes while its frame is on the
// stack, so the host must not do that.
class CallbackLinkCore {
public:
    CallbackLinkCore() = default;
    CallbackLinkCore(const CallbackLinkCore&) = delete;
    CallbackLinkCore& operator=(const CallbackLinkCore&) = delete;

protected:
    // [any] One callback inside the link, from before it reads the target until it leaves.
    class Entry {
    public:
        explicit Entry(const CallbackLinkCore& owner);
        ~Entry();
        Entry(const Entry&) = delete;
        Entry& operator=(const Entry&) = delete;
        void* target() const { return linked; }

    private:
        friend class CallbackLinkCore;
        const CallbackLinkCore& link;
        const Entry* outer;  // the thread's entry (of any link) that this one is nested in
        void* linked;
    };

    ~CallbackLinkCore() = default;

    // [main] Links next (null clears); a target it replaces is no longer held by any callback
    // of another thread when this returns.
    void replace(void* next);
    // [main] Clears the link, as replace(nullptr), only while it names expected. True when it did.
    bool clearIf(void* expected);
    void* peek() const { return target.load(std::memory_order_acquire); }

private:
    void waitUntilOthersLeft() const;

    std::atomic<void*> target{nullptr};          // [any thread: atomic] written only by [main]
    mutable std::atomic<int32_t> inside{0};      // [any thread: atomic] callbacks between entry and exit
    static thread_local const Entry* innermost;  // [own thread] the calling thread's innermost entry
};

template <class T>
class CallbackLink : private CallbackLinkCore {
public:
    // [any] use(T&) with the linked object, which stays alive until use returns; true. False,
    // without calling use, when nothing is linked.
    template <class Use>
    bool visit(Use&& use) const {
        const Entry entry(*this);
        T* linked = static_cast<T*>(entry.target());
        if (!linked) return false;
        use(*linked);
        return true;
    }
    // [main] Links object (fully constructed: the callbacks that find it see all it did before),
    // or clears with null. A target replaced or cleared is unused by every other thread on return.
    void set(T* object) { replace(object); }
    void clear() { replace(nullptr); }
    // [main] Clears and waits as clear(), but only while the link names expected; true when it did.
    bool clearIf(T* expected) { return CallbackLinkCore::clearIf(expected); }
    // The target at this moment, for checks only: never follow it, it may go at once.
    T* linked() const { return static_cast<T*>(peek()); }
};
