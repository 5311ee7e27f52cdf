// Unhandled exceptions reported in one line, then the process ends with exit code 1.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

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

LONG WINAPI onFault(EXCEPTION_POINTERS* pointers) {
    char fault[64];
    const DWORD code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 0;
    std::snprintf(fault, sizeof fault, " (exception 0x%08lX)\n", static_cast<unsigned long>(code));
    putFaultLine(put, "the plug-in crashed", fault);
    ::TerminateProcess(::GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
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
    ::SetConsoleCtrlHandler(onControl, TRUE);
}

}  // namespace korvex_host
