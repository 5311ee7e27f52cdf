// A pointer that the plug-in's host callbacks follow on any thread while the host's main thread
// links, replaces and clears it: a callback reaches a live target or none, never one going away.
#pragma once

#include <atomic>
#include <cstdint>

// The untyped part of CallbackLink. A callback entering the link is one atomic increment, one
// load and, when it leaves, one decrement: the threads following the link never wait, and
// neither does the thread that unlinks. A callback inside may be waiting for the host (a host
// lock, a request answered on the main thread), so an unlinking main thread that waited for it
// could wait forever. Instead the unlinking thread learns whether a callback may still hold the
// old target, and then keeps that target alive (see RetiredObjects) until the link is idle.
class CallbackLinkCore {
public:
    CallbackLinkCore() = default;
    CallbackLinkCore(const CallbackLinkCore&) = delete;
    CallbackLinkCore& operator=(const CallbackLinkCore&) = delete;

    // [any] True when no callback is inside this link: every callback that read a target
    // unlinked before this call has left. The callback that asks, from inside, counts itself.
    bool idle() const { return inside.load() == 0; }

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
        const CallbackLinkCore& link;
        void* linked;
    };

    ~CallbackLinkCore() = default;

    // [main] Links next (null clears) and answers the target it replaced. That target may still
    // be in use by a callback until idle() holds.
    void* replace(void* next) { return target.exchange(next); }
    // [main] Clears the link, as replace(nullptr), only while it names expected. True when it did.
    bool clearIf(void* expected) { return expected && target.compare_exchange_strong(expected, nullptr); }
    void* peek() const { return target.load(std::memory_order_acquire); }

private:
    std::atomic<void*> target{nullptr};      // [any thread: atomic] written only by [main]
    mutable std::atomic<int32_t> inside{0};  // [any thread: atomic] callbacks between entry and exit
};

template <class T>
class CallbackLink : public CallbackLinkCore {
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
    // or clears with null. Whoever owns a target replaced or cleared keeps it until idle().
    void set(T* object) { replace(object); }
    void clear() { replace(nullptr); }
    // [main] Clears, as clear(), but only while the link names expected; true when it did.
    bool clearIf(T* expected) { return CallbackLinkCore::clearIf(expected); }
    // The target at this moment, for checks only: never follow it, it may go at once.
    T* linked() const { return static_cast<T*>(peek()); }
};
