// Heap counting on Windows: the module and the plug-in link the C++ runtime statically, so their
// operator new and delete end in the malloc family they import from the system's C runtime, and any
// direct heap use is an import of kernel32 or ntdll. While counting, every module loaded from
// outside the system's folders has those imports in its import table pointed at counting
// forwarders; a forwarder counts on the calling thread while its gate is raised and calls the
// function the entry held before, so each module keeps its own runtime's heap.
#include <windows.h>


#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <new>

#include "tools/korvex-host/validate/heap_counter.h"
#include "tools/korvex-host/validate/import_table_win32.h"

namespace korvex_validate {
namespace {

// Each thread's gate and counts, reached through a Win32 TLS slot: the compiler's thread_local is
// emulated with mingw and allocates on a thread's first use, which would be counted and recurse.
struct ThreadCounts {
    bool counting = false;
    bool naming = false;  // inside the namer: what it allocates is the tool's, not the call's
    int pluginDepth = 0;
    HeapCounts counts;
};

DWORD gSlot = TLS_OUT_OF_INDEXES;
std::atomic<const char* (*)()> gNamer{nullptr};
std::atomic<bool> gIncludeExecutable{false};
INIT_ONCE gInit = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK initialise(PINIT_ONCE, PVOID, PVOID*) {
    gSlot = TlsAlloc();
    return TRUE;
}

// [the calling thread] Its record, made on first use; never freed (a few dozen bytes per thread).
// Made with the process heap straight from kernel32's export, never through a patched entry.
ThreadCounts* threadCounts(bool make) {
    InitOnceExecuteOnce(&gInit, initialise, nullptr, nullptr);
    if (gSlot == TLS_OUT_OF_INDEXES) return nullptr;
    auto* record = static_cast<ThreadCounts*>(TlsGetValue(gSlot));
    if (record || !make) return record;
    using HeapAllocProc = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);
    static const auto heapAlloc =
        reinterpret_cast<HeapAllocProc>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "HeapAlloc")));
    void* memory = heapAlloc(GetProcessHeap(), 0, sizeof(ThreadCounts));
    if (!memory) return nullptr;
    record = new (memory) ThreadCounts{};
    TlsSetValue(gSlot, record);
    return record;
}

// Reads the slot without making anything: a thread that never counted has no record.
inline ThreadCounts* countingThread() {
    if (gSlot == TLS_OUT_OF_INDEXES) return nullptr;
    const DWORD error = GetLastError();  // a heap call must not change what the caller reads next
    auto* record = static_cast<ThreadCounts*>(TlsGetValue(gSlot));
    SetLastError(error);
    return record && record->counting && !record->naming ? record : nullptr;
}

void countAllocation(size_t size) {
    ThreadCounts* record = countingThread();
    if (!record) return;
    if (record->counts.allocations == 0) {
        record->counts.firstSize = size;
        if (const auto namer = gNamer.load(std::memory_order_relaxed)) {
            record->naming = true;
            record->counts.firstCall = namer();
            record->naming = false;
        }
    }
    ++record->counts.allocations;
    if (record->pluginDepth > 0) ++record->counts.pluginAllocations;
}

void countFree(const void* pointer) {
    ThreadCounts* record = countingThread();
    if (!record || !pointer) return;
    ++record->counts.frees;
    if (record->pluginDepth > 0) ++record->counts.pluginFrees;
}

// The imports counted, by name, whichever DLL they come from (msvcrt, ucrtbase and its api-ms-win
// sets, kernel32, ntdll).
enum Kind : int {
    kMalloc, kCalloc, kRealloc, kFree, kAlignedMalloc, kAlignedRealloc, kAlignedFree, kStrdup, kWcsdup,
    kRecalloc, kHeapAlloc, kHeapReAlloc, kHeapFree, kRtlAllocateHeap, kRtlReAllocateHeap, kRtlFreeHeap,
    kLocalAlloc, kLocalReAlloc, kLocalFree, kGlobalAlloc, kGlobalReAlloc, kGlobalFree, kKindCount
};
constexpr const char* kImportNames[kKindCount][2] = {
    {"malloc", nullptr}, {"calloc", nullptr}, {"realloc", nullptr}, {"free", nullptr},
    {"_aligned_malloc", nullptr}, {"_aligned_realloc", nullptr}, {"_aligned_free", nullptr},
    {"_strdup", "strdup"}, {"_wcsdup", "wcsdup"}, {"_recalloc", nullptr},
    {"HeapAlloc", nullptr}, {"HeapReAlloc", nullptr}, {"HeapFree", nullptr},
    {"RtlAllocateHeap", nullptr}, {"RtlReAllocateHeap", nullptr}, {"RtlFreeHeap", nullptr},
    {"LocalAlloc", nullptr}, {"LocalReAlloc", nullptr}, {"LocalFree", nullptr},
    {"GlobalAlloc", nullptr}, {"GlobalReAlloc", nullptr}, {"GlobalFree", nullptr},
};

// One forwarder per kind and per distinct original: a process may hold several C runtimes.
constexpr int kTargets = 4;
std::atomic<void*> gOriginal[kKindCount][kTargets];

template <class Proc>
Proc original(Kind kind, int target) {
    return reinterpret_cast<Proc>(gOriginal[kind][target].load(std::memory_order_relaxed));
}

template <int N>
struct Forwarders {
    static void* __cdecl malloc_(size_t size) {
        countAllocation(size);
        return original<void*(__cdecl*)(size_t)>(kMalloc, N)(size);
    }
    static void* __cdecl calloc_(size_t count, size_t size) {
        countAllocation(count * size);
        return original<void*(__cdecl*)(size_t, size_t)>(kCalloc, N)(count, size);
    }
    static void* __cdecl realloc_(void* pointer, size_t size) {
        countAllocation(size);
        return original<void*(__cdecl*)(void*, size_t)>(kRealloc, N)(pointer, size);
    }
    static void __cdecl free_(void* pointer) {
        countFree(pointer);
        original<void(__cdecl*)(void*)>(kFree, N)(pointer);
    }
    static void* __cdecl alignedMalloc(size_t size, size_t alignment) {
        countAllocation(size);
        return original<void*(__cdecl*)(size_t, size_t)>(kAlignedMalloc, N)(size, alignment);
    }
    static void* __cdecl alignedRealloc(void* pointer, size_t size, size_t alignment) {
        countAllocation(size);
        return original<void*(__cdecl*)(void*, size_t, size_t)>(kAlignedRealloc, N)(pointer, size, alignment);
    }
    static void __cdecl alignedFree(void* pointer) {
        countFree(pointer);
        original<void(__cdecl*)(void*)>(kAlignedFree, N)(pointer);
    }
    static char* __cdecl strdup_(const char* text) {
        countAllocation(text ? std::strlen(text) + 1 : 0);
        return original<char*(__cdecl*)(const char*)>(kStrdup, N)(text);
    }
    static wchar_t* __cdecl wcsdup_(const wchar_t* text) {
        countAllocation(text ? (std::wcslen(text) + 1) * sizeof(wchar_t) : 0);
        return original<wchar_t*(__cdecl*)(const wchar_t*)>(kWcsdup, N)(text);
    }
    static void* __cdecl recalloc(void* pointer, size_t count, size_t size) {
        countAllocation(count * size);
        return original<void*(__cdecl*)(void*, size_t, size_t)>(kRecalloc, N)(pointer, count, size);
    }
    static LPVOID WINAPI heapAlloc(HANDLE heap, DWORD flags, SIZE_T size) {
        countAllocation(size);
        return original<LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T)>(kHeapAlloc, N)(heap, flags, size);
    }
    static LPVOID WINAPI heapReAlloc(HANDLE heap, DWORD flags, LPVOID pointer, SIZE_T size) {
        countAllocation(size);
        return original<LPVOID(WINAPI*)(HANDLE, DWORD, LPVOID, SIZE_T)>(kHeapReAlloc, N)(heap, flags, pointer, size);
    }
    static BOOL WINAPI heapFree(HANDLE heap, DWORD flags, LPVOID pointer) {
        countFree(pointer);
        return original<BOOL(WINAPI*)(HANDLE, DWORD, LPVOID)>(kHeapFree, N)(heap, flags, pointer);
    }
    static PVOID WINAPI rtlAllocateHeap(PVOID heap, ULONG flags, SIZE_T size) {
        countAllocation(size);
        return original<PVOID(WINAPI*)(PVOID, ULONG, SIZE_T)>(kRtlAllocateHeap, N)(heap, flags, size);
    }
    static PVOID WINAPI rtlReAllocateHeap(PVOID heap, ULONG flags, PVOID pointer, SIZE_T size) {
        countAllocation(size);
        return original<PVOID(WINAPI*)(PVOID, ULONG, PVOID, SIZE_T)>(kRtlReAllocateHeap, N)(heap, flags, pointer, size);
    }
    static BOOLEAN WINAPI rtlFreeHeap(PVOID heap, ULONG flags, PVOID pointer) {
        countFree(pointer);
        return original<BOOLEAN(WINAPI*)(PVOID, ULONG, PVOID)>(kRtlFreeHeap, N)(heap, flags, pointer);
    }
    static HLOCAL WINAPI localAlloc(UINT flags, SIZE_T size) {
        countAllocation(size);
        return original<HLOCAL(WINAPI*)(UINT, SIZE_T)>(kLocalAlloc, N)(flags, size);
    }
    static HLOCAL WINAPI localReAlloc(HLOCAL memory, SIZE_T size, UINT flags) {
        countAllocation(size);
        return original<HLOCAL(WINAPI*)(HLOCAL, SIZE_T, UINT)>(kLocalReAlloc, N)(memory, size, flags);
    }
    static HLOCAL WINAPI localFree(HLOCAL memory) {
        countFree(memory);
        return original<HLOCAL(WINAPI*)(HLOCAL)>(kLocalFree, N)(memory);
    }
    static HGLOBAL WINAPI globalAlloc(UINT flags, SIZE_T size) {
        countAllocation(size);
        return original<HGLOBAL(WINAPI*)(UINT, SIZE_T)>(kGlobalAlloc, N)(flags, size);
    }
    static HGLOBAL WINAPI globalReAlloc(HGLOBAL memory, SIZE_T size, UINT flags) {
        countAllocation(size);
        return original<HGLOBAL(WINAPI*)(HGLOBAL, SIZE_T, UINT)>(kGlobalReAlloc, N)(memory, size, flags);
    }
    static HGLOBAL WINAPI globalFree(HGLOBAL memory) {
        countFree(memory);
        return original<HGLOBAL(WINAPI*)(HGLOBAL)>(kGlobalFree, N)(memory);
    }

    static void* forwarder(Kind kind) {
        void* const table[kKindCount] = {
            reinterpret_cast<void*>(&malloc_),         reinterpret_cast<void*>(&calloc_),
            reinterpret_cast<void*>(&realloc_),        reinterpret_cast<void*>(&free_),
            reinterpret_cast<void*>(&alignedMalloc),   reinterpret_cast<void*>(&alignedRealloc),
            reinterpret_cast<void*>(&alignedFree),     reinterpret_cast<void*>(&strdup_),
            reinterpret_cast<void*>(&wcsdup_),         reinterpret_cast<void*>(&recalloc),
            reinterpret_cast<void*>(&heapAlloc),       reinterpret_cast<void*>(&heapReAlloc),
            reinterpret_cast<void*>(&heapFree),        reinterpret_cast<void*>(&rtlAllocateHeap),
            reinterpret_cast<void*>(&rtlReAllocateHeap), reinterpret_cast<void*>(&rtlFreeHeap),
            reinterpret_cast<void*>(&localAlloc),      reinterpret_cast<void*>(&localReAlloc),
            reinterpret_cast<void*>(&localFree),       reinterpret_cast<void*>(&globalAlloc),
            reinterpret_cast<void*>(&globalReAlloc),   reinterpret_cast<void*>(&globalFree),
        };
        return table[kind];
    }
};

void* forwarder(Kind kind, int target) {
    switch (target) {
    case 0: return Forwarders<0>::forwarder(kind);
    case 1: return Forwarders<1>::forwarder(kind);
    case 2: return Forwarders<2>::forwarder(kind);
    default: return Forwarders<3>::forwarder(kind);
    }
}

// The function a forwarder calls, or null when `address` is no forwarder.
void* originalBehind(void* address) {
    for (int kind = 0; kind < kKindCount; ++kind)
        for (int target = 0; target < kTargets; ++target)
            if (forwarder(static_cast<Kind>(kind), target) == address)
                return gOriginal[kind][target].load(std::memory_order_relaxed);
    return nullptr;
}

int kindOf(const char* name) {
    for (int kind = 0; kind < kKindCount; ++kind)
        for (const char* known : kImportNames[kind])
            if (known && std::strcmp(known, name) == 0) return kind;
    return -1;
}

// The forwarder for this original, claiming a free place for a runtime not seen before; null when
// every place is taken (that import then stays uncounted).
void* forwarderFor(Kind kind, void* originalProc) {
    for (int target = 0; target < kTargets; ++target) {
        void* expected = nullptr;
        if (gOriginal[kind][target].compare_exchange_strong(expected, originalProc) || expected == originalProc)
            return forwarder(kind, target);
    }
    return nullptr;
}

// Points one module's heap imports at the forwarders, or back at what they forward to.
void patchModule(HMODULE module, bool counted) {
    forEachNamedImport(module, [counted](ULONG_PTR* entry, const char* name) {
        const int kind = kindOf(name);
        if (kind < 0) return;
        void* current = reinterpret_cast<void*>(*entry);
        void* behind = current ? originalBehind(current) : nullptr;
        if (!current || (behind != nullptr) == counted) return;
        if (void* replacement = counted ? forwarderFor(static_cast<Kind>(kind), current) : behind)
            writeImportEntry(entry, reinterpret_cast<ULONG_PTR>(replacement));
    });
}

// Every module loaded from outside the system's folder, not this counter's own executable unless
// asked: the tool's own first use of a thread is not the render call's.
void patchLoadedModules() {
    const bool withExecutable = gIncludeExecutable.load();
    forEachLoadedNonSystemModule(
        [withExecutable](HMODULE module, bool executable) { patchModule(module, !executable || withExecutable); });
}

}  // namespace

bool heapCountingAvailable(const char** why) {
    if (why) *why = nullptr;
    return threadCounts(true) != nullptr;
}

void setHeapCallNamer(const char* (*namer)()) { gNamer.store(namer); }

void countHeapCallsOfExecutable(bool on) { gIncludeExecutable.store(on); }

void beginHeapCount() {
    ThreadCounts* record = threadCounts(true);
    if (!record) return;
    record->counting = false;
    // Libraries loaded since the last count (another instance's plug-in) are patched here, before
    // the gate is raised.
    patchLoadedModules();
    record->counts = HeapCounts{};
    record->naming = false;
    record->counting = true;
}

HeapCounts endHeapCount() {
    ThreadCounts* record = threadCounts(false);
    if (!record) return {};
    record->counting = false;
    return record->counts;
}

void enterPluginCall() {
    if (ThreadCounts* record = threadCounts(true)) ++record->pluginDepth;
}

void leavePluginCall() {
    ThreadCounts* record = threadCounts(false);
    if (record && record->pluginDepth > 0) --record->pluginDepth;
}

}  // namespace korvex_validate
