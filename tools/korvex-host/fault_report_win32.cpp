// Unhandled exceptions reported in one line, then the process ends with exit code 1. Asked to,
// the filter also leaves a minidump and writes the faulting thread's stack as text.
#include <windows.h>
// dbghelp.h needs windows.h first.
#include <dbghelp.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "tools/korvex-host/fault_report.h"
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
        const bool named = ::SymFromAddr(process, address, &displacement, symbol) != FALSE;
        char line[MAX_PATH + 400];
        std::snprintf(line, sizeof line, "text #%d %s+0x%llx in %s+0x%llx\n", depth, named ? symbol->Name : "??",
                      static_cast<unsigned long long>(named ? displacement : 0), module,
                      static_cast<unsigned long long>(base ? address - base : address));
        put(line);
    }
    put(kStackEnd);
    put("\n");
}

LONG WINAPI onFault(EXCEPTION_POINTERS* pointers) {
    char fault[64];
    const DWORD code = pointers && pointers->ExceptionRecord ? pointers->ExceptionRecord->ExceptionCode : 0;
    std::snprintf(fault, sizeof fault, " (exception 0x%08lX)\n", static_cast<unsigned long>(code));
    putFaultLine(put, "the plug-in crashed", fault);
    if (gStacks.load()) {
        writeDump(pointers);
        putStack(pointers);
    }
    ::TerminateProcess(::GetCurrentProcess(), 1);
    return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

void reportCrashStacks(const char* dumpPath) {
    std::snprintf(gDumpPath, sizeof gDumpPath, "%s", dumpPath ? dumpPath : "");
    gStacks.store(true);
}

void installFaultReport(const char* command) {
    gFaultCommand.store(command);
    // No Windows error-reporting dialog: a CI run must never wait for a click.
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ::SetUnhandledExceptionFilter(onFault);
}

}  // namespace korvex_host
