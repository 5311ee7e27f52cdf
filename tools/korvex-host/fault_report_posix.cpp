// Fatal signals reported in one line with write(2), the only output a signal handler may use,
// then the process ends with exit code 1.
#include <execinfo.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "tools/korvex-host/fault_report.h"
#include "simhost/child_process.h"
#include "simhost/temporary_paths.h"
#include "tools/korvex-host/fault_report_state.h"

namespace korvex_host {
namespace {

// A stack of its own, so a stack overflow can still be reported.
alignas(16) char gAlternateStack[64 * 1024];

void put(const char* text) {
    if (!text) return;
    size_t length = std::strlen(text);
    while (length > 0) {
        const ssize_t n = ::write(STDERR_FILENO, text, length);
        if (n <= 0) return;
        text += n;
        length -= static_cast<size_t>(n);
    }
}

const char* signalName(int signal) {
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    default: return "a fatal signal";
    }
}

// The process's temporary folders (a copy of the plug-in, the registry stand-in) would outlive a
// process that ends here. A signal handler may not walk folders (that allocates), so a process
// made with the async-signal-safe _Fork removes them; where there is none, they stay.
void removeTemporaryPaths() {
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    const char* const* paths = simhost::temporaryPathsForFault();
    if (!paths[0]) return;
    const char* argv[simhost::kMaxTemporaryPaths + 4] = {"rm", "-rf", "--"};
    int count = 3;
    for (int i = 0; paths[i] && count < simhost::kMaxTemporaryPaths + 3; ++i) argv[count++] = paths[i];
    argv[count] = nullptr;
    const pid_t pid = ::_Fork();
    if (pid == 0) {
        char* const noEnvironment[] = {nullptr};
        ::execve("/bin/rm", const_cast<char* const*>(argv), noEnvironment);
        ::_exit(127);
    }
    if (pid > 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0) {
        }
    }
#endif
}

// Set once before any plug-in runs; read by the handler.
std::atomic<bool> gStacks{false};

void putHex(uintptr_t value) {
    char text[2 + 2 * sizeof value + 1];
    int at = static_cast<int>(sizeof text) - 1;
    text[at] = '\0';
    do {
        text[--at] = "0123456789abcdef"[value & 15];
        value >>= 4;
    } while (value != 0 && at > 2);
    text[--at] = 'x';
    text[--at] = '0';
    put(text + at);
}

// The frames as raw addresses and the executable mappings of the process: the parent turns them
// into functions and lines with the debug information of each file, which is no work for a
// signal handler. backtrace() was called once at installation, so nothing here loads a library.
void putStack() {
    void* frames[64];
    const int count = ::backtrace(frames, 64);
    put(kStackBegin);
    put("\n");
    for (int i = 0; i < count; ++i) {
        put("frame ");
        putHex(reinterpret_cast<uintptr_t>(frames[i]));
        put("\n");
    }
    const int maps = ::open("/proc/self/maps", O_RDONLY);
    if (maps >= 0) {
        char line[1024];
        size_t length = 0;
        char buffer[4096];
        ssize_t got = 0;
        while ((got = ::read(maps, buffer, sizeof buffer)) > 0) {
            for (ssize_t i = 0; i < got; ++i) {
                if (buffer[i] != '\n') {
                    if (length + 1 < sizeof line) line[length++] = buffer[i];
                    continue;
                }
                line[length] = '\0';
                // "start-end perms ...": only executable mappings hold code.
                const char* perms = std::strchr(line, ' ');
                if (perms && perms[1] && perms[2] && perms[3] == 'x') {
                    put("map ");
                    put(line);
                    put("\n");
                }
                length = 0;
            }
        }
        ::close(maps);
    }
    put(kStackEnd);
    put("\n");
}

void onFault(int signal) {
    // The signal's name goes in its own piece: no formatting is safe inside a signal handler.
    putFaultLine(put, "the plug-in crashed", " (");
    put(signalName(signal));
    put(")\n");
    if (gStacks.load()) putStack();
    removeTemporaryPaths();
    ::_exit(1);
}

const char* interruptionName(int signal) {
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    default: return "SIGHUP";
    }
}

void onInterrupt(int signal) {
    if (void (*handler)() = gInterruptHandler.exchange(nullptr)) {
        handler();
        return;
    }
    put(kFaultLinePrefix);
    put(gFaultCommand.load());
    put(": interrupted (");
    put(interruptionName(signal));
    put(")\n");
    // A child leads a process group of its own, which a terminal's Ctrl-C does not reach.
    simhost::endRunningChild();
    removeTemporaryPaths();
    ::_exit(1);
}

// Sanitizer runtimes report a fault and end the process themselves, without a signal; this is
// their last call before that, where one exists (builds with a sanitizer).
extern "C" void __sanitizer_set_death_callback(void (*callback)()) __attribute__((weak));

void onSanitizerDeath() { putFaultLine(put, "stopped by a sanitizer", "\n"); }

}  // namespace

void reportCrashStacks(const char*) {
    void* warm[4];
    ::backtrace(warm, 4);
    gStacks.store(true);
}

void installFaultReport(const char* command) {
    if (__sanitizer_set_death_callback) __sanitizer_set_death_callback(onSanitizerDeath);
    gFaultCommand.store(command);
    // Plug-ins end processes with exit() too (a toolkit that finds no display): no destructor
    // runs then, but exit handlers do.
    static bool exitHandlerSet = false;
    if (!exitHandlerSet) std::atexit(simhost::removeTemporaryPaths);
    exitHandlerSet = true;
    stack_t stack{};
    stack.ss_sp = gAlternateStack;
    stack.ss_size = sizeof gAlternateStack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action{};
    action.sa_handler = onFault;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::sigaction(signal, &action, nullptr);
    struct sigaction interrupt{};
    interrupt.sa_handler = onInterrupt;
    sigemptyset(&interrupt.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(signal, &interrupt, nullptr);
}

}  // namespace korvex_host
