// Library loading with LoadLibraryW, so paths outside the ANSI code page still open.
#include <windows.h>

#include <cstdio>

#include "simhost/dynamic_library.h"
#include "simhost/wide_text_win32.h"

namespace simhost {
namespace {

std::string describeError(DWORD code) {
    char text[512] = {};
    const DWORD written = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                           0, text, sizeof text, nullptr);
    std::string reason(text, written);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    char number[32];
    std::snprintf(number, sizeof number, "error %lu", static_cast<unsigned long>(code));
    return reason.empty() ? std::string(number) : reason + " (" + number + ")";
}

}  // namespace

void* openLibrary(const std::string& path, std::string* error) {
    // No "cannot find the library" dialog box: a test run must never wait for a click.
    const UINT previous = ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE handle = ::LoadLibraryW(widen(path).c_str());
    const DWORD code = ::GetLastError();
    ::SetErrorMode(previous);
    if (!handle && error) *error = describeError(code);
    return reinterpret_cast<void*>(handle);
}

void* librarySymbol(void* library, const char* name) {
    return library ? reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(library), name)) : nullptr;
}

void closeLibrary(void* library) {
    if (library) ::FreeLibrary(static_cast<HMODULE>(library));
}

const char* librarySuffix() { return ".dll"; }

}  // namespace simhost
