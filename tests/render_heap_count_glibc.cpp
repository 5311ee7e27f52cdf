// Heap counting on glibc: korvex-host's allocator, linked into the test, already sees every call.
#include "render_heap_count.h"

#include "tools/korvex-host/validate/heap_counter.h"

namespace testing_support {

bool renderHeapCountAvailable(std::string* why) {
    const char* reason = nullptr;
    const bool available = korvex_validate::heapCountingAvailable(&reason);
    if (why && reason) *why = reason;
    return available;
}

bool countHeapCallsOf(void*) { return true; }

void beginHeapCount() { korvex_validate::beginHeapCount(); }

ThreadHeapCalls endHeapCount() {
    const korvex_validate::HeapCounts counts = korvex_validate::endHeapCount();
    return ThreadHeapCalls{counts.allocations, counts.frees};
}

}  // namespace testing_support
