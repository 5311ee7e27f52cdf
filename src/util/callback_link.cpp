// Entry, exit and the unlinking wait of CallbackLink.
#include "util/callback_link.h"

#include <thread>

// A plain pointer, so a thread's first entry needs no construction; on ELF the build gives this
// file the initial-exec model, so that first entry allocates nothing on a render thread either.
thread_local const CallbackLinkCore::Entry* CallbackLinkCore::innermost = nullptr;

// Sequentially consistent increment and load here, and store and count in the unlinking thread:
// a callback that still read the old target was counted before that thread looked at the count.
CallbackLinkCore::Entry::Entry(const CallbackLinkCore& owner) : link(owner), outer(innermost) {
    link.inside.fetch_add(1);
    innermost = this;
    linked = link.target.load();
}

// Release: whatever the callback did with the target is done before the unlinking thread goes on.
CallbackLinkCore::Entry::~Entry() {
    innermost = outer;
    link.inside.fetch_sub(1, std::memory_order_release);
}

void CallbackLinkCore::replace(void* next) {
    if (target.exchange(next) != nullptr) waitUntilOthersLeft();
}

bool CallbackLinkCore::clearIf(void* expected) {
    if (!expected || !target.compare_exchange_strong(expected, nullptr)) return false;
    waitUntilOthersLeft();
    return true;
}

void CallbackLinkCore::waitUntilOthersLeft() const {
    int32_t own = 0;
    for (const Entry* entry = innermost; entry; entry = entry->outer)
        if (&entry->link == this) ++own;
    // Callbacks stay inside for one short call into the target, so the count falls to our own
    // entries soon; yielding leaves the core to them meanwhile.
    while (inside.load() > own) std::this_thread::yield();
}
