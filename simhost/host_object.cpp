// The tally of live host objects.
#include "simhost/host_object.h"

namespace simhost {
namespace {
std::atomic<int32_t> gLiveHostObjects{0};
}

int32_t liveHostObjects() { return gLiveHostObjects.load(); }

RefCounted::RefCounted() { gLiveHostObjects.fetch_add(1); }

RefCounted::~RefCounted() { gLiveHostObjects.fetch_sub(1); }

uint32_t RefCounted::release() {
    const int32_t remaining = count.fetch_sub(1) - 1;
    if (remaining == 0) delete this;
    return static_cast<uint32_t>(remaining);
}

}  // namespace simhost
