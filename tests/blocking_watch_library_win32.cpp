// A library for the blocking-call watch's test: it makes watched calls through its import table
// with arguments in every place the Windows calling convention puts them (registers, the stack,
// a double in a variadic call) and reports what the calls gave back, so the test can tell that
// the watch's thunks passed everything through unchanged.
#define __USE_MINGW_ANSI_STDIO 0  // fprintf from msvcrt's import, not mingw's own inline one
#include <windows.h>

#include <cstdio>
#include <cstring>

struct BlockingCallResults {
    DWORD written;        // WriteFile's count
    DWORD missingError;   // GetLastError after opening a file that is not there
    DWORD waitResult;     // WaitForSingleObject on a handle that never signals, no wait
    int printed;          // fprintf's count
};

extern "C" __declspec(dllexport) void korvexBlockingCalls(const wchar_t* path, const wchar_t* missing, double value,
                                                          BlockingCallResults* results) {
    // Seven arguments: three of them on the stack.
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    const char text[] = "written";
    results->written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &results->written, nullptr);
        CloseHandle(file);
    }
    SetLastError(0);
    const HANDLE none = CreateFileW(missing, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    results->missingError = none == INVALID_HANDLE_VALUE ? GetLastError() : 0;
    HANDLE never = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    results->waitResult = WaitForSingleObject(never, 0);
    CloseHandle(never);
    Sleep(0);
    results->printed = -1;
    if (std::FILE* stream = _wfopen(path, L"ab")) {
        results->printed = std::fprintf(stream, " %.3f %d %s", value, 7, "end");
        std::fclose(stream);
    }
}
