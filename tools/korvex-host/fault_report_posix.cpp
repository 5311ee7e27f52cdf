// Fatal signals reported in one line with write(2), the only output a signal handler may use,
// then the process ends with exit code 1.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

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

void onFault(int signal) {
    // The signal's name goes in its own piece: no formatting is safe inside a signal handler.
    putFaultLine(put, "the plug-in crashed", " (");
    put(signalName(signal));
    put(")\n");
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
