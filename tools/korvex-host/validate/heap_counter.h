// Counting heap calls made on one thread while a gate is raised: the whole malloc family and
// every operator new and delete, whoever makes them (the module, the plug-in, a library they use);
// on Windows also the process heap calls (HeapAlloc and its kin) the module and the plug-in import.
// Where the build cannot see every heap call (sanitizer builds, systems without the hooks) the
// counter says so and checks that need it report that instead of a result.
#pragma once

#include <cstdint>

namespace korvex_validate {

// False where heap calls cannot be counted; the reason, for a skipped check, in *why.
bool heapCountingAvailable(const char** why = nullptr);

struct HeapCounts {
    uint64_t allocations = 0;        // malloc, calloc, realloc, the aligned kinds, operator new
    uint64_t frees = 0;              // free of a non-null pointer, operator delete
    uint64_t pluginAllocations = 0;  // of the above, made while the plug-in itself was called
    uint64_t pluginFrees = 0;
    uint64_t firstSize = 0;          // bytes asked by the first allocation counted
    const char* firstCall = nullptr; // the call it was made in, as the namer below named it
};

// [main] Names the call a thread is in (a literal, or null), asked at the first allocation
// counted; it must not allocate.
void setHeapCallNamer(const char* (*namer)());

// [main] Where the counter sees heap calls through import tables (Windows), the executable's own
// count too once this is on (a test program with the module's code linked in); off by default,
// since the tool's own first use of a thread is no heap call of the render call. Elsewhere every
// call is counted anyway.
void countHeapCallsOfExecutable(bool on);

// [any thread] Starts counting this thread's heap calls from zero; endHeapCount stops and answers.
void beginHeapCount();
HeapCounts endHeapCount();

// [any thread] Brackets a call into the plug-in, so its heap calls are told from the module's.
void enterPluginCall();
void leavePluginCall();

}  // namespace korvex_validate
