// Fatal signals reported in one line with write(2), the only output a signal handler may use,
// then the process ends with exit code 1.
#include <signal.h>
#include <unistd.h>

#include <cstring>
#include <initializer_list>

#include "tools/korvex-host/fault_report.h"
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

void onFault(int signal) {
    // The signal's name goes in its own piece: no formatting is safe inside a signal handler.
    putFaultLine(put, "the plug-in crashed", " (");
    put(signalName(signal));
    put(")\n");
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
    stack_t stack{};
    stack.ss_sp = gAlternateStack;
    stack.ss_size = sizeof gAlternateStack;
    ::sigaltstack(&stack, nullptr);
    struct sigaction action{};
    action.sa_handler = onFault;
    action.sa_flags = SA_ONSTACK;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT}) ::sigaction(signal, &action, nullptr);
}

}  // namespace korvex_host
