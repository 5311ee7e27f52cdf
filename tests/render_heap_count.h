// Heap calls made on one thread by the module and the plug-in, for tests of the render path that
// drive the built module: on glibc the test executable's own allocator counts every heap call in
// the process; on Windows, where each library carries its own runtime, the libraries named here
// have their heap imports counted.
#pragma once

#include <cstdint>
#include <string>

namespace testing_support {

// False where this build cannot count (sanitizer runtimes own the allocator); the reason in *why.
bool renderHeapCountAvailable(std::string* why = nullptr);
// [main] The heap calls of this open library (a handle from simhost::openLibrary) are counted too;
// false when they cannot be. Before any counting starts.
bool countHeapCallsOf(void* library);

// [any thread] Counts the calling thread's allocations and frees from zero, until the end.
void beginHeapCount();
struct ThreadHeapCalls {
    uint64_t allocations = 0;
    uint64_t frees = 0;
};
ThreadHeapCalls endHeapCount();

}  // namespace testing_support
