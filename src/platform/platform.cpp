// The swappable table in front of the system implementation.
#include "platform/platform.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<const Api*> current{nullptr};
}

const Api& api() {
    const Api* replacement = current.load(std::memory_order_acquire);
    return replacement ? *replacement : systemApi();
}

void setApi(const Api* replacement) { current.store(replacement, std::memory_order_release); }

}  // namespace platform
