// The blocking-call watch on glibc: this executable defines the functions below, so every library
// it loads (the module, the plug-in, their runtimes) calls these first; each notes the call on
// the calling thread while its gate is raised and forwards to the next definition (glibc's own).
// Compiled into the executable and exported through its dynamic-symbol list: only there do the
// definitions take precedence. What it cannot see is said in blockingWatchScope().
#include <dlfcn.h>
#include <execinfo.h>
#include <fcntl.h>
#include <linux/futex.h>
#include <poll.h>
#include <pthread.h>
#include <sched.h>
#include <semaphore.h>
#include <sys/epoll.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <ctime>

#include "tools/korvex-host/validate/blocking_calls.h"

namespace korvex_validate {
namespace {

// Thread-local and trivially reached: noting a call allocates nothing and locks nothing, and
// each thread watches only its own calls. tInside keeps the watch from seeing its own work (the
// unwinder locks a mutex of its own while it walks the stack).
thread_local bool tWatching = false;
thread_local bool tInside = false;
thread_local int tPluginDepth = 0;
thread_local BlockingCalls tCalls;
std::atomic<const char* (*)()> gNamer{nullptr};
std::atomic<bool> gUnwinderReady{false};

// The watch's own frames on a captured stack: seen() and the function that called it.
constexpr int kOwnFrames = 2;

}  // namespace
}  // namespace korvex_validate

// This executable's code, from the linker's own symbols.
extern "C" char __executable_start[];
extern "C" char etext[];

namespace korvex_validate {
namespace {

// A call made by this executable's own code is the simulated host's work (a host service the
// module calls from its render callback locks the host's own books), not the module's or the
// plug-in's.
bool madeByHost(const void* caller) {
    const auto* code = static_cast<const char*>(caller);
    return code >= __executable_start && code < etext;
}

__attribute__((noinline)) void seen(const char* name, BlockingKind kind, const void* caller) {
    if (!tWatching || tInside || madeByHost(caller)) return;
    tInside = true;
    BlockingCalls& calls = tCalls;
    if (calls.calls == 0) {
        calls.firstFunction = name;
        const auto namer = gNamer.load(std::memory_order_relaxed);
        calls.firstCall = namer ? namer() : nullptr;
        calls.firstInPlugin = tPluginDepth > 0;
        calls.firstDepth = ::backtrace(calls.firstStack, kMaxStackFrames);
    }
    ++calls.calls;
    if (tPluginDepth > 0) ++calls.pluginCalls;
    ++calls.byKind[static_cast<int>(kind)];
    for (BlockingFunction& function : calls.functions) {
        if (function.name == name) {
            ++function.count;
            break;
        }
        if (!function.name) {
            function = BlockingFunction{name, kind, 1};
            break;
        }
    }
    tInside = false;
}

// The next definition of a function: glibc's. Looked up once per function; two threads that race
// to it store the same address.
template <class Function>
Function next(std::atomic<void*>& slot, const char* name) {
    void* found = slot.load(std::memory_order_relaxed);
    if (!found) {
        // Conditions have an old ABI's symbols beside the current ones; ask for the current.
        found = name[0] == 'p' && name[8] == 'c' ? ::dlvsym(RTLD_NEXT, name, "GLIBC_2.3.2") : nullptr;
        if (!found) found = ::dlsym(RTLD_NEXT, name);
        if (!found) std::abort();  // glibc without it: nothing sensible to forward to
        slot.store(found, std::memory_order_relaxed);
    }
    return reinterpret_cast<Function>(found);
}

bool isFutexWait(long operation) {
    switch (operation & FUTEX_CMD_MASK) {
    case FUTEX_WAIT:
    case FUTEX_WAIT_BITSET:
    case FUTEX_LOCK_PI:
    case FUTEX_WAIT_REQUEUE_PI:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool blockingWatchAvailable(const char** why) {
    if (why) *why = nullptr;
    return true;
}

const char* blockingWatchScope() {
    return "sees calls the module and plug-in make through the dynamic linker to the C library: pthread "
           "mutex, rwlock, condition and join, semaphores, futex through syscall(), sleeps and yields, file, "
           "socket and stdio I/O, poll/select/epoll, mmap, process and library loading; cannot see system "
           "calls made inline or by a statically linked C library, calls glibc makes within itself, locks "
           "built from atomics alone, or fortified variants (__read_chk and the like)";
}

void setBlockingCallNamer(const char* (*namer)()) { gNamer.store(namer); }

void beginBlockingWatch() {
    // The unwinder loads itself on first use (dlopen, files, locks): before the gate, once.
    if (!gUnwinderReady.load(std::memory_order_relaxed)) {
        void* warm[2];
        ::backtrace(warm, 2);
        gUnwinderReady.store(true, std::memory_order_relaxed);
    }
    tCalls = BlockingCalls{};
    tWatching = true;
}

BlockingCalls endBlockingWatch() {
    tWatching = false;
    return tCalls;
}

void enterPluginBlockingScope() { ++tPluginDepth; }
void leavePluginBlockingScope() {
    if (tPluginDepth > 0) --tPluginDepth;
}

std::vector<std::string> describeStack(void* const* frames, int depth) {
    std::vector<std::string> lines;
    for (int i = kOwnFrames; i < depth; ++i) {
        // A return address points past its call: one byte back is inside the calling function.
        const auto address = reinterpret_cast<uintptr_t>(frames[i]) - 1;
        Dl_info info{};
        char text[512];
        if (!::dladdr(reinterpret_cast<void*>(address), &info) || !info.dli_fname) {
            std::snprintf(text, sizeof text, "#%d 0x%llx", i - kOwnFrames, static_cast<unsigned long long>(address));
            lines.push_back(text);
            continue;
        }
        std::string library = info.dli_fname;
        library = library.substr(library.find_last_of('/') + 1);
        const auto offset = static_cast<unsigned long long>(address - reinterpret_cast<uintptr_t>(info.dli_fbase));
        if (info.dli_sname && info.dli_saddr) {
            int status = 0;
            char* readable = abi::__cxa_demangle(info.dli_sname, nullptr, nullptr, &status);
            const auto within = static_cast<unsigned long long>(address - reinterpret_cast<uintptr_t>(info.dli_saddr));
            std::snprintf(text, sizeof text, "#%d %s+0x%llx in %s (+0x%llx)", i - kOwnFrames,
                          status == 0 && readable ? readable : info.dli_sname, within, library.c_str(), offset);
            std::free(readable);
        } else {
            std::snprintf(text, sizeof text, "#%d %s+0x%llx", i - kOwnFrames, library.c_str(), offset);
        }
        lines.push_back(text);
    }
    return lines;
}

}  // namespace korvex_validate

using korvex_validate::BlockingKind;
using korvex_validate::next;
using korvex_validate::seen;

// One watched function: note it, then call glibc's with the same arguments.
#define KORVEX_WATCHED(kind, result, name, parameters, arguments)             \
    extern "C" result name parameters {                                        \
        seen(#name, BlockingKind::kind, __builtin_return_address(0));          \
        static std::atomic<void*> slot{nullptr};                               \
        return next<result(*) parameters>(slot, #name) arguments;              \
    }

KORVEX_WATCHED(Lock, int, pthread_mutex_lock, (pthread_mutex_t * m), (m))
KORVEX_WATCHED(Lock, int, pthread_mutex_timedlock, (pthread_mutex_t * m, const struct timespec* t), (m, t))
KORVEX_WATCHED(Lock, int, pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l))
KORVEX_WATCHED(Lock, int, pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l))
KORVEX_WATCHED(Lock, int, pthread_rwlock_timedrdlock, (pthread_rwlock_t * l, const struct timespec* t), (l, t))
KORVEX_WATCHED(Lock, int, pthread_rwlock_timedwrlock, (pthread_rwlock_t * l, const struct timespec* t), (l, t))
KORVEX_WATCHED(Wait, int, pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m))
KORVEX_WATCHED(Wait, int, pthread_cond_timedwait, (pthread_cond_t * c, pthread_mutex_t* m, const struct timespec* t),
               (c, m, t))
KORVEX_WATCHED(Wait, int, pthread_join, (pthread_t t, void** r), (t, r))
KORVEX_WATCHED(Wait, int, sem_wait, (sem_t * s), (s))
KORVEX_WATCHED(Wait, int, sem_timedwait, (sem_t * s, const struct timespec* t), (s, t))
KORVEX_WATCHED(Sleep, int, nanosleep, (const struct timespec* t, struct timespec* r), (t, r))
KORVEX_WATCHED(Sleep, int, clock_nanosleep, (clockid_t c, int f, const struct timespec* t, struct timespec* r),
               (c, f, t, r))
KORVEX_WATCHED(Sleep, int, usleep, (useconds_t u), (u))
KORVEX_WATCHED(Sleep, unsigned, sleep, (unsigned s), (s))
KORVEX_WATCHED(Sleep, int, sched_yield, (void), ())
KORVEX_WATCHED(Sleep, int, pause, (void), ())
KORVEX_WATCHED(File, int, creat, (const char* p, mode_t m), (p, m))
KORVEX_WATCHED(File, FILE*, fopen, (const char* p, const char* m), (p, m))
KORVEX_WATCHED(File, FILE*, fopen64, (const char* p, const char* m), (p, m))
KORVEX_WATCHED(File, int, fclose, (FILE * f), (f))
KORVEX_WATCHED(File, ssize_t, read, (int d, void* b, size_t n), (d, b, n))
KORVEX_WATCHED(File, ssize_t, write, (int d, const void* b, size_t n), (d, b, n))
KORVEX_WATCHED(File, ssize_t, pread, (int d, void* b, size_t n, off_t o), (d, b, n, o))
KORVEX_WATCHED(File, ssize_t, pwrite, (int d, const void* b, size_t n, off_t o), (d, b, n, o))
KORVEX_WATCHED(File, ssize_t, readv, (int d, const struct iovec* v, int n), (d, v, n))
KORVEX_WATCHED(File, ssize_t, writev, (int d, const struct iovec* v, int n), (d, v, n))
KORVEX_WATCHED(File, int, close, (int d), (d))
KORVEX_WATCHED(File, int, fsync, (int d), (d))
KORVEX_WATCHED(File, int, fdatasync, (int d), (d))
KORVEX_WATCHED(File, size_t, fread, (void* b, size_t s, size_t n, FILE* f), (b, s, n, f))
KORVEX_WATCHED(File, size_t, fwrite, (const void* b, size_t s, size_t n, FILE* f), (b, s, n, f))
KORVEX_WATCHED(File, int, fflush, (FILE * f), (f))
KORVEX_WATCHED(File, int, fputs, (const char* s, FILE* f), (s, f))
KORVEX_WATCHED(File, int, fputc, (int c, FILE* f), (c, f))
KORVEX_WATCHED(File, int, puts, (const char* s), (s))
KORVEX_WATCHED(File, int, vfprintf, (FILE * f, const char* s, va_list a), (f, s, a))
KORVEX_WATCHED(File, int, vprintf, (const char* s, va_list a), (s, a))
KORVEX_WATCHED(Socket, int, socket, (int d, int t, int p), (d, t, p))
KORVEX_WATCHED(Socket, int, connect, (int s, const struct sockaddr* a, socklen_t l), (s, a, l))
KORVEX_WATCHED(Socket, int, accept, (int s, struct sockaddr* a, socklen_t* l), (s, a, l))
KORVEX_WATCHED(Socket, ssize_t, send, (int s, const void* b, size_t n, int f), (s, b, n, f))
KORVEX_WATCHED(Socket, ssize_t, recv, (int s, void* b, size_t n, int f), (s, b, n, f))
KORVEX_WATCHED(Socket, ssize_t, sendto, (int s, const void* b, size_t n, int f, const struct sockaddr* a, socklen_t l),
               (s, b, n, f, a, l))
KORVEX_WATCHED(Socket, ssize_t, recvfrom, (int s, void* b, size_t n, int f, struct sockaddr* a, socklen_t* l),
               (s, b, n, f, a, l))
KORVEX_WATCHED(Socket, ssize_t, sendmsg, (int s, const struct msghdr* m, int f), (s, m, f))
KORVEX_WATCHED(Socket, ssize_t, recvmsg, (int s, struct msghdr* m, int f), (s, m, f))
KORVEX_WATCHED(Other, int, poll, (struct pollfd * p, nfds_t n, int t), (p, n, t))
KORVEX_WATCHED(Other, int, select, (int n, fd_set* r, fd_set* w, fd_set* e, struct timeval* t), (n, r, w, e, t))
KORVEX_WATCHED(Other, int, epoll_wait, (int e, struct epoll_event* v, int n, int t), (e, v, n, t))
KORVEX_WATCHED(Other, pid_t, waitpid, (pid_t p, int* s, int o), (p, s, o))
KORVEX_WATCHED(Other, pid_t, fork, (void), ())
KORVEX_WATCHED(Other, int, system, (const char* c), (c))
KORVEX_WATCHED(Other, void*, dlopen, (const char* f, int m), (f, m))
KORVEX_WATCHED(Other, void*, mmap, (void* a, size_t n, int p, int f, int d, off_t o), (a, n, p, f, d, o))
KORVEX_WATCHED(Other, int, munmap, (void* a, size_t n), (a, n))

#undef KORVEX_WATCHED

// The variadic ones by hand: their optional argument is read as the caller passed it.
extern "C" int open(const char* path, int flags, ...) {
    seen("open", BlockingKind::File, __builtin_return_address(0));
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list more;
        va_start(more, flags);
        mode = static_cast<mode_t>(va_arg(more, int));
        va_end(more);
    }
    static std::atomic<void*> slot{nullptr};
    return next<int (*)(const char*, int, ...)>(slot, "open")(path, flags, mode);
}

extern "C" int open64(const char* path, int flags, ...) {
    seen("open64", BlockingKind::File, __builtin_return_address(0));
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list more;
        va_start(more, flags);
        mode = static_cast<mode_t>(va_arg(more, int));
        va_end(more);
    }
    static std::atomic<void*> slot{nullptr};
    return next<int (*)(const char*, int, ...)>(slot, "open64")(path, flags, mode);
}

extern "C" int openat(int directory, const char* path, int flags, ...) {
    seen("openat", BlockingKind::File, __builtin_return_address(0));
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list more;
        va_start(more, flags);
        mode = static_cast<mode_t>(va_arg(more, int));
        va_end(more);
    }
    static std::atomic<void*> slot{nullptr};
    return next<int (*)(int, const char*, int, ...)>(slot, "openat")(directory, path, flags, mode);
}

extern "C" int fprintf(FILE* file, const char* format, ...) {
    seen("fprintf", BlockingKind::File, __builtin_return_address(0));
    va_list arguments;
    va_start(arguments, format);
    static std::atomic<void*> slot{nullptr};
    const int written = next<int (*)(FILE*, const char*, va_list)>(slot, "vfprintf")(file, format, arguments);
    va_end(arguments);
    return written;
}

extern "C" int printf(const char* format, ...) {
    seen("printf", BlockingKind::File, __builtin_return_address(0));
    va_list arguments;
    va_start(arguments, format);
    static std::atomic<void*> slot{nullptr};
    const int written = next<int (*)(const char*, va_list)>(slot, "vprintf")(format, arguments);
    va_end(arguments);
    return written;
}

// Raw system calls: a futex wait is a lock or a condition waited on; any other is noted as such.
extern "C" long syscall(long number, ...) {
    va_list more;
    va_start(more, number);
    long a[6];
    for (long& argument : a) argument = va_arg(more, long);
    va_end(more);
    if (number == SYS_futex)
        seen(korvex_validate::isFutexWait(a[1]) ? "syscall(futex wait)" : "syscall(futex)",
             korvex_validate::isFutexWait(a[1]) ? BlockingKind::Wait : BlockingKind::Other, __builtin_return_address(0));
    else
        seen("syscall", BlockingKind::Other, __builtin_return_address(0));
    static std::atomic<void*> slot{nullptr};
    return next<long (*)(long, ...)>(slot, "syscall")(number, a[0], a[1], a[2], a[3], a[4], a[5]);
}
