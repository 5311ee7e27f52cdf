// Unhandled exceptions reported in one line, then the process ends with exit code 1. So are a
// plug-in's abort() and raise(SIGSEGV), which never reach an exception filter: the C runtime's
// default would end the process with code 3 and no word.
#include <windows.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "tools/korvex-host/fault_report.h"
#include "simhost/child_process.h"
#include "simhost/temporary_paths.h"
#include "tools/korvex-host/fault_report_state.h"

namespace korvex_host {
namespace {

void put(const char* text) {
    if (!text) return;
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

void reportException(const EXCEPTION_POINTERS* pointers) {
    char fault[64];
    const DWORD code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 0;
    std::snprintf(fault, sizeof fault, " (exception 0x%08lX)\n", static_cast<unsigned long>(code));
    putFaultLine(put, "the plug-in crashed", fault);
    ::TerminateProcess(::GetCurrentProcess(), 1);
}

LONG WINAPI onFault(EXCEPTION_POINTERS* pointers) {
    reportException(pointers);
    return EXCEPTION_EXECUTE_HANDLER;
}

// The C runtime's signals: raise() and abort() never reach the filter, and mingw's runtime hands
// its own handler an access violation as SIGSEGV before the filter sees it. Either way a SIGSEGV
// here is an access violation, reported by its exception code as the filter would.
void onSignal(int signal) {
    putFaultLine(put, "the plug-in crashed", signal == SIGSEGV ? " (exception 0xC0000005)\n" : " (SIGABRT)\n");
    ::TerminateProcess(::GetCurrentProcess(), 1);
}

// Console control events arrive on a thread of their own, where ordinary code may run.
BOOL WINAPI onControl(DWORD event) {
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT && event != CTRL_CLOSE_EVENT) return FALSE;
    if (void (*handler)() = gInterruptHandler.exchange(nullptr)) {
        handler();
        return TRUE;
    }
    put(kFaultLinePrefix);
    put(gFaultCommand.load());
    put(event == CTRL_CLOSE_EVENT ? ": interrupted (console closed)\n" : ": interrupted (Ctrl-C)\n");
    simhost::endRunningChild();
    simhost::removeTemporaryPaths();
    ::TerminateProcess(::GetCurrentProcess(), 1);
    return TRUE;
}

}  // namespace

void installFaultReport(const char* command) {
    gFaultCommand.store(command);
    // Plug-ins end processes with exit() too (a toolkit that finds no display): no destructor
    // runs then, but exit handlers do.
    static bool exitHandlerSet = false;
    if (!exitHandlerSet) std::atexit(simhost::removeTemporaryPaths);
    exitHandlerSet = true;
    // No Windows error-reporting dialog: a CI run must never wait for a click.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(onFault);
    // The plug-ins built with mingw share this program's C runtime (msvcrt), so its handlers.
    for (int signal : {SIGSEGV, SIGABRT}) std::signal(signal, onSignal);
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

}  // namespace korvex_host
