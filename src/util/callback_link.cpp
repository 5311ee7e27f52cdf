// Entry and exit of CallbackLink.
#include "util/callback_link.h"

// Sequentially consistent increment and load here, and exchange and count in the unlinking
// thread: a callback that still read the old target was counted before that thread looked.
CallbackLinkCore::Entry::Entry(const CallbackLinkCore& owner) : link(owner) {
    link.inside.fetch_add(1);
    linked = link.target.load();
}

// Release: whatever the callback did with the target is done before a thread that sees the link
// idle frees it.
CallbackLinkCore::Entry::~Entry() { link.inside.fetch_sub(1, std::memory_order_release); }
