// Unhandled exceptions reported in one line, then the process ends with exit code 1. So are the
// C runtime's fatal signals: a plug-in calling abort() or raise() never reaches an exception
// filter, and the runtime's default would end the process with code 3 and no word.
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/fault_report_state.h"

namespace korvex_host {
namespace {

void put(const char* text) {
    if (!text) return;
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

LONG WINAPI onFault(EXCEPTION_POINTERS* pointers) {
    char fault[64];
    const DWORD code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 0;
    std::snprintf(fault, sizeof fault, " (exception 0x%08lX)\n", static_cast<unsigned long>(code));
    putFaultLine(put, "the plug-in crashed", fault);
    ::TerminateProcess(::GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

void onSignal(int signal) {
    const char* ending = signal == SIGSEGV ? " (SIGSEGV)\n"
                         : signal == SIGABRT ? " (SIGABRT)\n"
                         : signal == SIGFPE  ? " (SIGFPE)\n"
                         : signal == SIGILL  ? " (SIGILL)\n"
                                             : " (a fatal signal)\n";
    putFaultLine(put, "the plug-in crashed", ending);
    ::TerminateProcess(::GetCurrentProcess(), 1);
}

}  // namespace

void installFaultReport(const char* command) {
    gFaultCommand.store(command);
    // No Windows error-reporting dialog: a CI run must never wait for a click.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(onFault);
    // The plug-ins built with mingw share this program's C runtime (msvcrt), so its handlers.
    for (int signal : {SIGSEGV, SIGABRT, SIGFPE, SIGILL}) std::signal(signal, onSignal);
}

}  // namespace korvex_host
