// Heap counting on glibc: this executable defines the malloc family and the replaceable operator
// new and delete, so every library it loads (the module, the plug-in, their C++ runtimes) calls
// these; they count on the calling thread while its gate is raised and forward to glibc's own
// allocator. Compiled into the executable itself: only there do the definitions take precedence.
#include <atomic>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <new>

#include "tools/korvex-host/validate/heap_counter.h"

extern "C" {
void* __libc_malloc(size_t size);
void* __libc_calloc(size_t count, size_t size);
void* __libc_realloc(void* pointer, size_t size);
void* __libc_memalign(size_t alignment, size_t size);
void* __libc_valloc(size_t size);
void* __libc_pvalloc(size_t size);
void __libc_free(void* pointer);
}

namespace korvex_validate {
namespace {

// Thread-local and trivially initialised: reading them inside malloc allocates nothing and needs
// no lock, and each thread counts only its own calls.
thread_local bool tCounting = false;
thread_local int tPluginDepth = 0;
thread_local HeapCounts tCounts;
std::atomic<const char* (*)()> gNamer{nullptr};

inline void countAllocation(size_t size) {
    if (!tCounting) return;
    if (tCounts.allocations == 0) {
        tCounts.firstSize = size;
        const auto namer = gNamer.load(std::memory_order_relaxed);
        tCounts.firstCall = namer ? namer() : nullptr;
    }
    ++tCounts.allocations;
    if (tPluginDepth > 0) ++tCounts.pluginAllocations;
}

inline void countFree(void* pointer) {
    if (!tCounting || !pointer) return;
    ++tCounts.frees;
    if (tPluginDepth > 0) ++tCounts.pluginFrees;
}

}  // namespace

bool heapCountingAvailable(const char** why) {
    if (why) *why = nullptr;
    return true;
}

void setHeapCallNamer(const char* (*namer)()) { gNamer.store(namer); }

void countHeapCallsOfExecutable(bool) {}

void beginHeapCount() {
    tCounts = HeapCounts{};
    tCounting = true;
}

HeapCounts endHeapCount() {
    tCounting = false;
    return tCounts;
}

void enterPluginCall() { ++tPluginDepth; }
void leavePluginCall() {
    if (tPluginDepth > 0) --tPluginDepth;
}

}  // namespace korvex_validate

using korvex_validate::countAllocation;
using korvex_validate::countFree;

extern "C" {

void* malloc(size_t size) {
    countAllocation(size);
    return __libc_malloc(size);
}

void* calloc(size_t count, size_t size) {
    countAllocation(count * size);
    return __libc_calloc(count, size);
}

void* realloc(void* pointer, size_t size) {
    countAllocation(size);
    return __libc_realloc(pointer, size);
}

void* reallocarray(void* pointer, size_t count, size_t size) {
    size_t bytes = 0;
    if (__builtin_mul_overflow(count, size, &bytes)) {
        errno = ENOMEM;
        return nullptr;
    }
    return realloc(pointer, bytes);
}

void free(void* pointer) {
    countFree(pointer);
    __libc_free(pointer);
}

void* memalign(size_t alignment, size_t size) {
    countAllocation(size);
    return __libc_memalign(alignment, size);
}

void* aligned_alloc(size_t alignment, size_t size) {
    countAllocation(size);
    return __libc_memalign(alignment, size);
}

int posix_memalign(void** out, size_t alignment, size_t size) {
    if (alignment % sizeof(void*) != 0 || (alignment & (alignment - 1)) != 0 || alignment == 0) return EINVAL;
    countAllocation(size);
    void* pointer = __libc_memalign(alignment, size);
    if (!pointer) return ENOMEM;
    *out = pointer;
    return 0;
}

void* valloc(size_t size) {
    countAllocation(size);
    return __libc_valloc(size);
}

void* pvalloc(size_t size) {
    countAllocation(size);
    return __libc_pvalloc(size);
}

}  // extern "C"

namespace {

void* allocateOrThrow(size_t size) {
    for (;;) {
        if (void* pointer = malloc(size ? size : 1)) return pointer;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

void* allocateAlignedOrThrow(size_t size, std::align_val_t alignment) {
    const auto align = static_cast<size_t>(alignment);
    // aligned_alloc wants a size that is a multiple of the alignment.
    const size_t rounded = ((size ? size : 1) + align - 1) / align * align;
    for (;;) {
        if (void* pointer = aligned_alloc(align, rounded)) return pointer;
        std::new_handler handler = std::get_new_handler();
        if (!handler) throw std::bad_alloc();
        handler();
    }
}

}  // namespace

void* operator new(size_t size) { return allocateOrThrow(size); }
void* operator new[](size_t size) { return allocateOrThrow(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocateOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    try {
        return allocateOrThrow(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new(size_t size, std::align_val_t alignment) { return allocateAlignedOrThrow(size, alignment); }
void* operator new[](size_t size, std::align_val_t alignment) { return allocateAlignedOrThrow(size, alignment); }
void* operator new(size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateAlignedOrThrow(size, alignment);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    try {
        return allocateAlignedOrThrow(size, alignment);
    } catch (...) {
        return nullptr;
    }
}

void operator delete(void* pointer) noexcept { free(pointer); }
void operator delete[](void* pointer) noexcept { free(pointer); }
void operator delete(void* pointer, size_t) noexcept { free(pointer); }
void operator delete[](void* pointer, size_t) noexcept { free(pointer); }
void operator delete(void* pointer, const std::nothrow_t&) noexcept { free(pointer); }
void operator delete[](void* pointer, const std::nothrow_t&) noexcept { free(pointer); }
void operator delete(void* pointer, std::align_val_t) noexcept { free(pointer); }
void operator delete[](void* pointer, std::align_val_t) noexcept { free(pointer); }
void operator delete(void* pointer, size_t, std::align_val_t) noexcept { free(pointer); }
void operator delete[](void* pointer, size_t, std::align_val_t) noexcept { free(pointer); }
void operator delete(void* pointer, std::align_val_t, const std::nothrow_t&) noexcept { free(pointer); }
void operator delete[](void* pointer, std::align_val_t, const std::nothrow_t&) noexcept { free(pointer); }
