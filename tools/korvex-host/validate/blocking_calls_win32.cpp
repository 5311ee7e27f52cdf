// The blocking-call watch on Windows. A DLL reaches the system only through its import table, so
// while watching, every module loaded from outside the system's folders (the module, the probe,
// the plug-in and what they bring) has its imports of the functions below pointed at thunks. A
// thunk notes the call on the calling thread while its gate is raised and jumps to what the entry
// held before, with the caller's registers and stack as they were: one thunk serves any signature,
// so the list can name every waiting function of kernel32, ntdll, the C runtimes and winsock.
// What it cannot see is said in blockingWatchScope().
#include <windows.h>

#include <dbghelp.h>

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>
#include <new>

#include "tools/korvex-host/coff_symbols_win32.h"
#include "tools/korvex-host/validate/blocking_calls.h"
#include "tools/korvex-host/validate/import_table_win32.h"

// The thunks, written once in assembly. Each one saves the argument registers into the caller's
// shadow space (the four integer ones) and its own frame (the four vector ones), calls
// korvex_blocking_seen(its number, the caller's return address), restores them and jumps through
// its entry of korvex_blocking_originals. Its unwind information lets a stack walk from inside
// korvex_blocking_seen reach the caller.
#define KORVEX_THUNKS 256
extern "C" {
std::atomic<void*> korvex_blocking_originals[KORVEX_THUNKS];
extern void* const korvex_blocking_thunks[KORVEX_THUNKS];
void korvex_blocking_seen(unsigned thunk, const void* caller);
}

// clang-format off
asm(R"(
    .text
    .macro korvex_blocking_thunk index
    .p2align 4
korvex_blocking_thunk_\index:
    .seh_proc korvex_blocking_thunk_\index
    movq %rcx, 8(%rsp)
    movq %rdx, 16(%rsp)
    movq %r8, 24(%rsp)
    movq %r9, 32(%rsp)
    subq $104, %rsp
    .seh_stackalloc 104
    .seh_endprologue
    movdqu %xmm0, 32(%rsp)
    movdqu %xmm1, 48(%rsp)
    movdqu %xmm2, 64(%rsp)
    movdqu %xmm3, 80(%rsp)
    movl $\index, %ecx
    movq 104(%rsp), %rdx
    call korvex_blocking_seen
    movdqu 32(%rsp), %xmm0
    movdqu 48(%rsp), %xmm1
    movdqu 64(%rsp), %xmm2
    movdqu 80(%rsp), %xmm3
    addq $104, %rsp
    movq 8(%rsp), %rcx
    movq 16(%rsp), %rdx
    movq 24(%rsp), %r8
    movq 32(%rsp), %r9
    jmp *korvex_blocking_originals+8*\index(%rip)
    .seh_endproc
    .endm
    .macro korvex_blocking_thunk_address index
    .quad korvex_blocking_thunk_\index
    .endm
    .altmacro
    .set korvex_thunk_index, 0
    .rept 256
    korvex_blocking_thunk %korvex_thunk_index
    .set korvex_thunk_index, korvex_thunk_index + 1
    .endr
    .section .rdata,"dr"
    .p2align 3
    .globl korvex_blocking_thunks
korvex_blocking_thunks:
    .set korvex_thunk_index, 0
    .rept 256
    korvex_blocking_thunk_address %korvex_thunk_index
    .set korvex_thunk_index, korvex_thunk_index + 1
    .endr
    .noaltmacro
    .text
)");
// clang-format on

namespace korvex_validate {
namespace {

struct Watched {
    const char* name;
    BlockingKind kind;
};

// By name, whichever DLL exports it: kernel32 and its api-ms-win sets, ntdll, msvcrt and ucrtbase,
// the Microsoft C++ runtime (msvcp140), winsock, a dynamically linked winpthreads. Try-locks,
// unlocks and signals never block and are not listed, as on the other systems.
constexpr Watched kWatched[] = {
    // Locks: the frameworks' critical sections and the Microsoft runtime's std::mutex (SRW locks).
    {"EnterCriticalSection", BlockingKind::Lock},
    {"RtlEnterCriticalSection", BlockingKind::Lock},
    {"AcquireSRWLockExclusive", BlockingKind::Lock},
    {"AcquireSRWLockShared", BlockingKind::Lock},
    {"RtlAcquireSRWLockExclusive", BlockingKind::Lock},
    {"RtlAcquireSRWLockShared", BlockingKind::Lock},
    {"_Mtx_lock", BlockingKind::Lock},
    {"_Mtx_timedlock", BlockingKind::Lock},
    {"pthread_mutex_lock", BlockingKind::Lock},
    {"pthread_mutex_timedlock", BlockingKind::Lock},
    {"pthread_rwlock_rdlock", BlockingKind::Lock},
    {"pthread_rwlock_wrlock", BlockingKind::Lock},
    {"pthread_spin_lock", BlockingKind::Lock},
    // Waits on objects, conditions and addresses.
    {"WaitForSingleObject", BlockingKind::Wait},
    {"WaitForSingleObjectEx", BlockingKind::Wait},
    {"WaitForMultipleObjects", BlockingKind::Wait},
    {"WaitForMultipleObjectsEx", BlockingKind::Wait},
    {"SignalObjectAndWait", BlockingKind::Wait},
    {"MsgWaitForMultipleObjects", BlockingKind::Wait},
    {"MsgWaitForMultipleObjectsEx", BlockingKind::Wait},
    {"SleepConditionVariableCS", BlockingKind::Wait},
    {"SleepConditionVariableSRW", BlockingKind::Wait},
    {"RtlSleepConditionVariableCS", BlockingKind::Wait},
    {"RtlSleepConditionVariableSRW", BlockingKind::Wait},
    {"WaitOnAddress", BlockingKind::Wait},
    {"RtlWaitOnAddress", BlockingKind::Wait},
    {"NtWaitForSingleObject", BlockingKind::Wait},
    {"NtWaitForMultipleObjects", BlockingKind::Wait},
    {"WaitForThreadpoolWorkCallbacks", BlockingKind::Wait},
    {"GetOverlappedResult", BlockingKind::Wait},
    {"_Cnd_wait", BlockingKind::Wait},
    {"_Cnd_timedwait", BlockingKind::Wait},
    {"_Thrd_join", BlockingKind::Wait},
    {"pthread_cond_wait", BlockingKind::Wait},
    {"pthread_cond_timedwait", BlockingKind::Wait},
    {"pthread_join", BlockingKind::Wait},
    {"sem_wait", BlockingKind::Wait},
    {"sem_timedwait", BlockingKind::Wait},
    // Sleeps and yields.
    {"Sleep", BlockingKind::Sleep},
    {"SleepEx", BlockingKind::Sleep},
    {"SwitchToThread", BlockingKind::Sleep},
    {"NtDelayExecution", BlockingKind::Sleep},
    {"NtYieldExecution", BlockingKind::Sleep},
    {"_Thrd_sleep", BlockingKind::Sleep},
    {"_Thrd_sleep_for", BlockingKind::Sleep},
    {"_Thrd_yield", BlockingKind::Sleep},
    {"nanosleep", BlockingKind::Sleep},
    {"usleep", BlockingKind::Sleep},
    {"sched_yield", BlockingKind::Sleep},
    // Files, through the system and through the C runtimes.
    {"CreateFileA", BlockingKind::File},
    {"CreateFileW", BlockingKind::File},
    {"CreateFile2", BlockingKind::File},
    {"ReadFile", BlockingKind::File},
    {"ReadFileEx", BlockingKind::File},
    {"WriteFile", BlockingKind::File},
    {"WriteFileEx", BlockingKind::File},
    {"FlushFileBuffers", BlockingKind::File},
    {"SetFilePointer", BlockingKind::File},
    {"SetFilePointerEx", BlockingKind::File},
    {"GetFileAttributesA", BlockingKind::File},
    {"GetFileAttributesW", BlockingKind::File},
    {"GetFileAttributesExW", BlockingKind::File},
    {"FindFirstFileW", BlockingKind::File},
    {"FindFirstFileExW", BlockingKind::File},
    {"DeleteFileA", BlockingKind::File},
    {"DeleteFileW", BlockingKind::File},
    {"NtCreateFile", BlockingKind::File},
    {"NtOpenFile", BlockingKind::File},
    {"NtReadFile", BlockingKind::File},
    {"NtWriteFile", BlockingKind::File},
    {"fopen", BlockingKind::File},
    {"_wfopen", BlockingKind::File},
    {"fopen_s", BlockingKind::File},
    {"_wfopen_s", BlockingKind::File},
    {"_fsopen", BlockingKind::File},
    {"_wfsopen", BlockingKind::File},
    {"freopen", BlockingKind::File},
    {"tmpfile", BlockingKind::File},
    {"fclose", BlockingKind::File},
    {"fread", BlockingKind::File},
    {"fwrite", BlockingKind::File},
    {"fflush", BlockingKind::File},
    {"fputs", BlockingKind::File},
    {"fputc", BlockingKind::File},
    {"putc", BlockingKind::File},
    {"puts", BlockingKind::File},
    {"putchar", BlockingKind::File},
    {"fgets", BlockingKind::File},
    {"fgetc", BlockingKind::File},
    {"getc", BlockingKind::File},
    {"fprintf", BlockingKind::File},
    {"printf", BlockingKind::File},
    {"vfprintf", BlockingKind::File},
    {"vprintf", BlockingKind::File},
    {"fwprintf", BlockingKind::File},
    {"vfwprintf", BlockingKind::File},
    {"fscanf", BlockingKind::File},
    {"__stdio_common_vfprintf", BlockingKind::File},
    {"__stdio_common_vfwprintf", BlockingKind::File},
    {"__stdio_common_vfscanf", BlockingKind::File},
    {"_open", BlockingKind::File},
    {"_wopen", BlockingKind::File},
    {"_sopen_s", BlockingKind::File},
    {"_wsopen_s", BlockingKind::File},
    {"_read", BlockingKind::File},
    {"_write", BlockingKind::File},
    {"_close", BlockingKind::File},
    {"_commit", BlockingKind::File},
    // Sockets.
    {"socket", BlockingKind::Socket},
    {"WSASocketW", BlockingKind::Socket},
    {"connect", BlockingKind::Socket},
    {"WSAConnect", BlockingKind::Socket},
    {"accept", BlockingKind::Socket},
    {"send", BlockingKind::Socket},
    {"recv", BlockingKind::Socket},
    {"sendto", BlockingKind::Socket},
    {"recvfrom", BlockingKind::Socket},
    {"WSASend", BlockingKind::Socket},
    {"WSARecv", BlockingKind::Socket},
    {"WSASendTo", BlockingKind::Socket},
    {"WSARecvFrom", BlockingKind::Socket},
    {"closesocket", BlockingKind::Socket},
    // Other calls that block in the system or wait for another thread.
    {"select", BlockingKind::Other},
    {"WSAPoll", BlockingKind::Other},
    {"WSAWaitForMultipleEvents", BlockingKind::Other},
    {"getaddrinfo", BlockingKind::Other},
    {"GetAddrInfoW", BlockingKind::Other},
    {"LoadLibraryA", BlockingKind::Other},
    {"LoadLibraryW", BlockingKind::Other},
    {"LoadLibraryExA", BlockingKind::Other},
    {"LoadLibraryExW", BlockingKind::Other},
    {"FreeLibrary", BlockingKind::Other},
    {"LdrLoadDll", BlockingKind::Other},
    {"CreateProcessA", BlockingKind::Other},
    {"CreateProcessW", BlockingKind::Other},
    {"system", BlockingKind::Other},
    {"_wsystem", BlockingKind::Other},
    {"CreateThread", BlockingKind::Other},
    {"_beginthreadex", BlockingKind::Other},
    {"VirtualAlloc", BlockingKind::Other},
    {"VirtualFree", BlockingKind::Other},
    {"NtAllocateVirtualMemory", BlockingKind::Other},
    {"NtFreeVirtualMemory", BlockingKind::Other},
    {"MapViewOfFile", BlockingKind::Other},
    {"UnmapViewOfFile", BlockingKind::Other},
    {"DeviceIoControl", BlockingKind::Other},
    {"CloseHandle", BlockingKind::Other},
    {"OutputDebugStringA", BlockingKind::Other},
    {"OutputDebugStringW", BlockingKind::Other},
    {"SendMessageA", BlockingKind::Other},
    {"SendMessageW", BlockingKind::Other},
    {"SendMessageTimeoutW", BlockingKind::Other},
    {"GetMessageA", BlockingKind::Other},
    {"GetMessageW", BlockingKind::Other},
    {"WaitMessage", BlockingKind::Other},
    {"MessageBoxA", BlockingKind::Other},
    {"MessageBoxW", BlockingKind::Other},
    {"RegOpenKeyExA", BlockingKind::Other},
    {"RegOpenKeyExW", BlockingKind::Other},
    {"RegQueryValueExA", BlockingKind::Other},
    {"RegQueryValueExW", BlockingKind::Other},
    {"RegGetValueW", BlockingKind::Other},
    {"RegSetValueExW", BlockingKind::Other},
};
constexpr int kWatchedCount = static_cast<int>(sizeof kWatched / sizeof kWatched[0]);

// Each thread's gate and calls, reached through a Win32 TLS slot: the compiler's thread_local is
// emulated with mingw and allocates on a thread's first use, inside a watched call.
struct ThreadWatch {
    bool watching = false;
    bool inside = false;  // the watch's own work (the namer, the stack walk) is not the call's
    int pluginDepth = 0;
    BlockingCalls calls;
};

DWORD gSlot = TLS_OUT_OF_INDEXES;
INIT_ONCE gInit = INIT_ONCE_STATIC_INIT;
std::atomic<const char* (*)()> gNamer{nullptr};
// Which watched function each thunk stands for, plus one (0: free). Written under gPatching before
// the thunk's address is put into any import table, read by thunks afterwards.
std::atomic<int> gThunkFunction[KORVEX_THUNKS];
std::mutex gPatching;

BOOL CALLBACK initialise(PINIT_ONCE, PVOID, PVOID*) {
    gSlot = TlsAlloc();
    return TRUE;
}

// [the calling thread] Its record, made on first use; never freed (a few hundred bytes per thread).
// Made with the process heap straight from kernel32's export, never through a patched entry.
ThreadWatch* threadWatch(bool make) {
    InitOnceExecuteOnce(&gInit, initialise, nullptr, nullptr);
    if (gSlot == TLS_OUT_OF_INDEXES) return nullptr;
    auto* record = static_cast<ThreadWatch*>(TlsGetValue(gSlot));
    if (record || !make) return record;
    using HeapAllocProc = LPVOID(WINAPI*)(HANDLE, DWORD, SIZE_T);
    static const auto heapAlloc = reinterpret_cast<HeapAllocProc>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "HeapAlloc")));
    void* memory = heapAlloc(GetProcessHeap(), 0, sizeof(ThreadWatch));
    if (!memory) return nullptr;
    record = new (memory) ThreadWatch{};
    TlsSetValue(gSlot, record);
    return record;
}

// The watch's own frames on a captured stack: korvex_blocking_seen and the thunk.
constexpr int kOwnFrames = 2;

int watchedIndex(const char* name) {
    for (int i = 0; i < kWatchedCount; ++i)
        if (std::strcmp(kWatched[i].name, name) == 0) return i;
    return -1;
}

bool isThunk(void* address) {
    for (void* thunk : korvex_blocking_thunks)
        if (thunk == address) return true;
    return false;
}

// The thunk for this function and this original: one already serving the pair, or a free one.
// Null when all are taken (the import then stays unwatched). [gPatching held]
void* thunkFor(int function, void* originalProc) {
    for (int i = 0; i < KORVEX_THUNKS; ++i) {
        const int serving = gThunkFunction[i].load();
        if (serving == function + 1 && korvex_blocking_originals[i].load() == originalProc)
            return korvex_blocking_thunks[i];
        if (serving == 0) {
            korvex_blocking_originals[i].store(originalProc);
            gThunkFunction[i].store(function + 1);
            return korvex_blocking_thunks[i];
        }
    }
    return nullptr;
}

// Points one module's watched imports at thunks. [gPatching held]
void patchModule(HMODULE module) {
    forEachNamedImport(module, [](ULONG_PTR* entry, const char* name) {
        const int function = watchedIndex(name);
        if (function < 0) return;
        void* current = reinterpret_cast<void*>(*entry);
        if (!current || isThunk(current)) return;
        if (void* thunk = thunkFor(function, current)) writeImportEntry(entry, reinterpret_cast<ULONG_PTR>(thunk));
    });
}

// Every module loaded from outside the system's folder except this executable: the simulated
// host's own books are not the render call's.
void patchLoadedModules() {
    std::lock_guard<std::mutex> hold(gPatching);
    forEachLoadedNonSystemModule([](HMODULE module, bool executable) {
        if (!executable) patchModule(module);
    });
}

}  // namespace
}  // namespace korvex_validate

// [any thread, from a thunk] Notes one call of a watched function on a watching thread. Allocates
// nothing and locks nothing; the caller's last error is left as it was.
extern "C" __attribute__((noinline)) void korvex_blocking_seen(unsigned thunk, const void*) {
    using namespace korvex_validate;
    if (gSlot == TLS_OUT_OF_INDEXES || thunk >= KORVEX_THUNKS) return;
    const DWORD error = GetLastError();
    auto* record = static_cast<ThreadWatch*>(TlsGetValue(gSlot));
    const int function = gThunkFunction[thunk].load(std::memory_order_relaxed) - 1;
    if (record && record->watching && !record->inside && function >= 0) {
        record->inside = true;
        const Watched& watched = kWatched[function];
        BlockingCalls& calls = record->calls;
        if (calls.calls == 0) {
            calls.firstFunction = watched.name;
            const auto namer = gNamer.load(std::memory_order_relaxed);
            calls.firstCall = namer ? namer() : nullptr;
            calls.firstInPlugin = record->pluginDepth > 0;
            calls.firstDepth = RtlCaptureStackBackTrace(0, kMaxStackFrames, calls.firstStack, nullptr);
        }
        ++calls.calls;
        if (record->pluginDepth > 0) ++calls.pluginCalls;
        ++calls.byKind[static_cast<int>(watched.kind)];
        for (BlockingFunction& seen : calls.functions) {
            if (seen.name == watched.name) {
                ++seen.count;
                break;
            }
            if (!seen.name) {
                seen = BlockingFunction{watched.name, watched.kind, 1};
                break;
            }
        }
        record->inside = false;
    }
    SetLastError(error);
}

namespace korvex_validate {

bool blockingWatchAvailable(const char** why) {
    if (threadWatch(true)) {
        if (why) *why = nullptr;
        return true;
    }
    if (why) *why = "this process has no thread-local slot left for the blocking-call watch";
    return false;
}

const char* blockingWatchScope() {
    return "sees calls the module, the plug-in and the libraries they load from outside the system folder make "
           "through their import tables: critical sections and SRW locks, waits on objects, conditions and "
           "addresses, sleeps and yields, file I/O through kernel32, ntdll and the C runtimes' stdio and "
           "low-level calls, winsock, library and process loading, virtual memory, message sending; cannot see "
           "calls made within a statically linked runtime that never leave it (an uncontended mutex of mingw's "
           "winpthreads, locks built from atomics alone), system calls made inline, or what system libraries "
           "do inside a call (a contended lock shows as the wait it ends in)";
}

void setBlockingCallNamer(const char* (*namer)()) { gNamer.store(namer); }

void beginBlockingWatch() {
    ThreadWatch* record = threadWatch(true);
    if (!record) return;
    record->watching = false;
    // Libraries loaded since the last watch (another instance's plug-in) are patched here, before
    // the gate is raised.
    patchLoadedModules();
    record->calls = BlockingCalls{};
    record->inside = false;
    record->watching = true;
}

BlockingCalls endBlockingWatch() {
    ThreadWatch* record = threadWatch(false);
    if (!record) return {};
    record->watching = false;
    return record->calls;
}

void enterPluginBlockingScope() {
    if (ThreadWatch* record = threadWatch(true)) ++record->pluginDepth;
}

void leavePluginBlockingScope() {
    ThreadWatch* record = threadWatch(false);
    if (record && record->pluginDepth > 0) --record->pluginDepth;
}

// [main, after the watch] Frames as "name+0x1c in library.dll (+0x1234)": the name from the file's
// COFF symbols, else from dbghelp (exports, debug information it reads), else the offset alone.
std::vector<std::string> describeStack(void* const* frames, int depth) {
    HANDLE process = GetCurrentProcess();
    static std::once_flag symbols;
    std::call_once(symbols, [process] {
        SymSetOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS);
        SymInitialize(process, nullptr, TRUE);
    });
    std::vector<std::string> lines;
    for (int i = kOwnFrames; i < depth; ++i) {
        // A return address points past its call: one byte back is inside the calling function.
        const auto address = reinterpret_cast<uintptr_t>(frames[i]) - 1;
        char text[MAX_PATH + 600];
        HMODULE module = nullptr;
        wchar_t path[MAX_PATH] = L"";
        if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                reinterpret_cast<LPCWSTR>(address), &module) ||
            !GetModuleFileNameW(module, path, MAX_PATH)) {
            std::snprintf(text, sizeof text, "#%d 0x%llx", i - kOwnFrames, static_cast<unsigned long long>(address));
            lines.push_back(text);
            continue;
        }
        const wchar_t* file = path;
        for (const wchar_t* c = path; *c; ++c)
            if (*c == L'\\' || *c == L'/') file = c + 1;
        char library[MAX_PATH];
        WideCharToMultiByte(CP_UTF8, 0, file, -1, library, sizeof library, nullptr, nullptr);
        const auto offset = static_cast<uint32_t>(address - reinterpret_cast<uintptr_t>(module));
        std::string name;
        uint32_t within = 0;
        alignas(SYMBOL_INFO) char storage[sizeof(SYMBOL_INFO) + 256] = {};
        auto* symbol = reinterpret_cast<SYMBOL_INFO*>(storage);
        symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
        symbol->MaxNameLen = 255;
        DWORD64 displacement = 0;
        if (!korvex_host::nameCoffFunction(module, offset, name, within) && SymFromAddr(process, address, &displacement, symbol)) {
            name = symbol->Name;
            within = static_cast<uint32_t>(displacement);
        }
        if (!name.empty())
            std::snprintf(text, sizeof text, "#%d %s+0x%x in %s (+0x%x)", i - kOwnFrames, name.c_str(), within, library,
                          offset);
        else
            std::snprintf(text, sizeof text, "#%d %s+0x%x", i - kOwnFrames, library, offset);
        lines.push_back(text);
    }
    return lines;
}

}  // namespace korvex_validate
