// Heap counting on Windows: each library links its own C++ runtime but takes the heap from the C
// runtime and the system, through its import table. The named libraries' entries for the heap
// functions are pointed at counting wrappers that forward to the originals; emulated thread-local
// storage, operator new and the containers of a statically linked runtime all land there.
#include "render_heap_count.h"

#include <windows.h>

#include <atomic>
#include <cstring>

namespace testing_support {
namespace {

// Only the counting thread's calls count; the thread is named by its id, so the wrappers touch no
// thread-local storage of their own (which, emulated, would itself allocate).
std::atomic<DWORD> gCountingThread{0};
std::atomic<uint64_t> gAllocations{0};
std::atomic<uint64_t> gFrees{0};

inline bool counting() { return gCountingThread.load(std::memory_order_relaxed) == GetCurrentThreadId(); }
inline void allocated() {
    if (counting()) gAllocations.fetch_add(1, std::memory_order_relaxed);
}
inline void freed(const void* pointer) {
    if (pointer && counting()) gFrees.fetch_add(1, std::memory_order_relaxed);
}

using Malloc = void*(__cdecl*)(size_t);
using Calloc = void*(__cdecl*)(size_t, size_t);
using Realloc = void*(__cdecl*)(void*, size_t);
using Free = void(__cdecl*)(void*);
using AlignedMalloc = void*(__cdecl*)(size_t, size_t);
using AlignedRealloc = void*(__cdecl*)(void*, size_t, size_t);
using HeapAllocProc = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);
using HeapReAllocProc = LPVOID(WINAPI*)(HANDLE, DWORD, LPVOID, SIZE_T);
using HeapFreeProc = BOOL(WINAPI*)(HANDLE, DWORD, LPVOID);

// The originals, taken from the first import table that names each; every library of a build
// imports them from the same runtime.
std::atomic<Malloc> gMalloc{nullptr};
std::atomic<Calloc> gCalloc{nullptr};
std::atomic<Realloc> gRealloc{nullptr};
std::atomic<Free> gFree{nullptr};
std::atomic<AlignedMalloc> gAlignedMalloc{nullptr};
std::atomic<AlignedRealloc> gAlignedRealloc{nullptr};
std::atomic<Free> gAlignedFree{nullptr};
std::atomic<HeapAllocProc> gHeapAlloc{nullptr};
std::atomic<HeapReAllocProc> gHeapReAlloc{nullptr};
std::atomic<HeapFreeProc> gHeapFree{nullptr};

void* __cdecl countingMalloc(size_t size) {
    allocated();
    return gMalloc.load()(size);
}
void* __cdecl countingCalloc(size_t count, size_t size) {
    allocated();
    return gCalloc.load()(count, size);
}
void* __cdecl countingRealloc(void* pointer, size_t size) {
    allocated();
    return gRealloc.load()(pointer, size);
}
void __cdecl countingFree(void* pointer) {
    freed(pointer);
    gFree.load()(pointer);
}
void* __cdecl countingAlignedMalloc(size_t size, size_t alignment) {
    allocated();
    return gAlignedMalloc.load()(size, alignment);
}
void* __cdecl countingAlignedRealloc(void* pointer, size_t size, size_t alignment) {
    allocated();
    return gAlignedRealloc.load()(pointer, size, alignment);
}
void __cdecl countingAlignedFree(void* pointer) {
    freed(pointer);
    gAlignedFree.load()(pointer);
}
LPVOID WINAPI countingHeapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
    allocated();
    return gHeapAlloc.load()(heap, flags, size);
}
LPVOID WINAPI countingHeapReAlloc(HANDLE heap, DWORD flags, LPVOID pointer, SIZE_T size) {
    allocated();
    return gHeapReAlloc.load()(heap, flags, pointer, size);
}
BOOL WINAPI countingHeapFree(HANDLE heap, DWORD flags, LPVOID pointer) {
    freed(pointer);
    return gHeapFree.load()(heap, flags, pointer);
}

template <class Proc>
void* take(std::atomic<Proc>& original, ULONG_PTR current, Proc replacement) {
    Proc expected = nullptr;
    original.compare_exchange_strong(expected, reinterpret_cast<Proc>(current));
    return reinterpret_cast<void*>(replacement);
}

// The counting wrapper for an imported function of this name (whose current address is given),
// or null for a function that is no heap call.
void* wrapperFor(const char* name, ULONG_PTR current) {
    if (std::strcmp(name, "malloc") == 0) return take(gMalloc, current, &countingMalloc);
    if (std::strcmp(name, "calloc") == 0) return take(gCalloc, current, &countingCalloc);
    if (std::strcmp(name, "realloc") == 0) return take(gRealloc, current, &countingRealloc);
    if (std::strcmp(name, "free") == 0) return take(gFree, current, &countingFree);
    if (std::strcmp(name, "_aligned_malloc") == 0) return take(gAlignedMalloc, current, &countingAlignedMalloc);
    if (std::strcmp(name, "_aligned_realloc") == 0) return take(gAlignedRealloc, current, &countingAlignedRealloc);
    if (std::strcmp(name, "_aligned_free") == 0) return take(gAlignedFree, current, &countingAlignedFree);
    if (std::strcmp(name, "HeapAlloc") == 0) return take(gHeapAlloc, current, &countingHeapAlloc);
    if (std::strcmp(name, "HeapReAlloc") == 0) return take(gHeapReAlloc, current, &countingHeapReAlloc);
    if (std::strcmp(name, "HeapFree") == 0) return take(gHeapFree, current, &countingHeapFree);
    return nullptr;
}

}  // namespace

bool renderHeapCountAvailable(std::string*) { return true; }

bool countHeapCallsOf(void* library) {
    auto* base = static_cast<uint8_t*>(library);
    if (!base) return false;
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return false;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return false;
    bool patched = false;
    for (auto* table = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); table->Name; ++table) {
        // Without the names (a bound table) the entries cannot be told apart.
        if (table->OriginalFirstThunk == 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + table->OriginalFirstThunk);
        auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + table->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++entries) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            void* wrapper = wrapperFor(reinterpret_cast<const char*>(byName->Name), entries->u1.Function);
            if (!wrapper) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&entries->u1.Function, sizeof entries->u1.Function, PAGE_READWRITE, &protection)) continue;
            entries->u1.Function = reinterpret_cast<ULONG_PTR>(wrapper);
            VirtualProtect(&entries->u1.Function, sizeof entries->u1.Function, protection, &protection);
            patched = true;
        }
    }
    return patched;
}

void beginHeapCount() {
    gAllocations.store(0);
    gFrees.store(0);
    gCountingThread.store(GetCurrentThreadId());
}

ThreadHeapCalls endHeapCount() {
    gCountingThread.store(0);
    return ThreadHeapCalls{gAllocations.load(), gFrees.load()};
}

}  // namespace testing_support
