// Heap counting where the build cannot see every heap call: sanitizer runtimes own the allocator,
// and other systems have no interposition this tool relies on.
#include "tools/korvex-host/validate/heap_counter.h"

namespace korvex_validate {

bool heapCountingAvailable(const char** why) {
    if (why) *why = "this build of korvex-host cannot count heap calls (sanitizer builds and non-glibc systems)";
    return false;
}

void setHeapCallNamer(const char* (*)()) {}
void countHeapCallsOfExecutable(bool) {}
void beginHeapCount() {}
HeapCounts endHeapCount() { return {}; }
void enterPluginCall() {}
void leavePluginCall() {}

}  // namespace korvex_validate
