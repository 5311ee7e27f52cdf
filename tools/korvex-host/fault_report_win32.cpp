// Unhandled exceptions reported in one line, then the process ends with exit code 1. So are a
// plug-in's abort() and raise(SIGSEGV), which never reach an exception filter: the C runtime's
// default would end the process with code 3 and no word. Asked to, the report also leaves a
// minidump and writes the faulting thread's stack as text.
#include <windows.h>
// dbghelp.h needs windows.h first.
#include <dbghelp.h>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "tools/korvex-host/coff_symbols_win32.h"
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

std::atomic<bool> gStacks{false};
char gDumpPath[MAX_PATH * 3] = {};  // UTF-8; written before any plug-in runs

void writeDump(EXCEPTION_POINTERS* pointers) {
    if (!gDumpPath[0]) return;
    wchar_t path[MAX_PATH * 2] = {};
    if (::MultiByteToWideChar(CP_UTF8, 0, gDumpPath, -1, path, MAX_PATH * 2) == 0) return;
    HANDLE file = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    MINIDUMP_EXCEPTION_INFORMATION exception{};
    exception.ThreadId = ::GetCurrentThreadId();
    exception.ExceptionPointers = pointers;
    exception.ClientPointers = FALSE;
    ::MiniDumpWriteDump(::GetCurrentProcess(), ::GetCurrentProcessId(), file, MiniDumpNormal,
                        pointers ? &exception : nullptr, nullptr, nullptr);
    ::CloseHandle(file);
}

// The faulting thread's frames, walked from the exception's own context: module, offset and the
// function where the module's symbols (exports, or debug information dbghelp reads) name one.
void putStack(EXCEPTION_POINTERS* pointers) {
    if (!pointers || !pointers->ContextRecord) return;
    HANDLE process = ::GetCurrentProcess();
    ::SymSetOptions(SYMOPT_UNDNAME | SYMOPT_DEFERRED_LOADS | SYMOPT_LOAD_LINES);
    ::SymInitialize(process, nullptr, TRUE);
    CONTEXT context = *pointers->ContextRecord;
    STACKFRAME64 frame{};
    frame.AddrPC.Offset = context.Rip;
    frame.AddrPC.Mode = AddrModeFlat;
    frame.AddrFrame.Offset = context.Rbp;
    frame.AddrFrame.Mode = AddrModeFlat;
    frame.AddrStack.Offset = context.Rsp;
    frame.AddrStack.Mode = AddrModeFlat;
    put(kStackBegin);
    put("\n");
    for (int depth = 0; depth < 64; ++depth) {
        if (!::StackWalk64(IMAGE_FILE_MACHINE_AMD64, process, ::GetCurrentThread(), &frame, &context, nullptr,
                           SymFunctionTableAccess64, SymGetModuleBase64, nullptr) ||
            frame.AddrPC.Offset == 0)
            break;
        const DWORD64 address = frame.AddrPC.Offset;
        char module[MAX_PATH] = "?";
        const DWORD64 base = ::SymGetModuleBase64(process, address);
        if (base) ::GetModuleFileNameA(reinterpret_cast<HMODULE>(base), module, sizeof module);
        alignas(SYMBOL_INFO) char storage[sizeof(SYMBOL_INFO) + 256] = {};
        auto* symbol = reinterpret_cast<SYMBOL_INFO*>(storage);
        symbol->SizeOfStruct = sizeof(SYMBOL_INFO);
        symbol->MaxNameLen = 255;
        DWORD64 displacement = 0;
        // The file's COFF symbols first: dbghelp names no function of a mingw-w64 build.
        std::string name;
        uint32_t within = 0;
        // A return address points past its call; the faulting frame's address is the fault itself.
        const DWORD64 inside = depth > 0 && address > 0 ? address - 1 : address;
        bool named = base && korvex_host::nameCoffFunction(reinterpret_cast<HMODULE>(base),
                                                           static_cast<uint32_t>(inside - base), name, within);
        if (named) within += static_cast<uint32_t>(address - inside);
        if (!named && ::SymFromAddr(process, address, &displacement, symbol)) {
            named = true;
            name = symbol->Name;
            within = static_cast<uint32_t>(displacement);
        }
        char line[MAX_PATH + 600];
        std::snprintf(line, sizeof line, "text #%d %s+0x%x in %s+0x%llx\n", depth, named ? name.c_str() : "??",
                      named ? within : 0u, module, static_cast<unsigned long long>(base ? address - base : address));
        put(line);
    }
    put(kStackEnd);
    put("\n");
}

void reportException(EXCEPTION_POINTERS* pointers) {
    char fault[64];
    const DWORD code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 0;
    std::snprintf(fault, sizeof fault, " (exception 0x%08lX)\n", static_cast<unsigned long>(code));
    putFaultLine(put, "the plug-in crashed", fault);
    if (gStacks.load()) {
        writeDump(pointers);
        putStack(pointers);
    }
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
    if (gStacks.load()) {
        // No exception context reaches a signal handler: the stack is walked from here, so its
        // first frames are the runtime's, then the plug-in's.
        CONTEXT context{};
        ::RtlCaptureContext(&context);
        EXCEPTION_POINTERS here{nullptr, &context};
        writeDump(nullptr);
        putStack(&here);
    }
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

void reportCrashStacks(const char* dumpPath) {
    std::snprintf(gDumpPath, sizeof gDumpPath, "%s", dumpPath ? dumpPath : "");
    gStacks.store(true);
}

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
