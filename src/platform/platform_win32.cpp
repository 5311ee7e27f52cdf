// The platform table over the real Win32 API.
#include <windows.h>

#include "platform/platform.h"

namespace platform {
namespace {

int32_t regOpenKeyExA(HKEY root, const char* subKey, uint32_t options, uint32_t access, HKEY* result) {
    return static_cast<int32_t>(::RegOpenKeyExA(static_cast<::HKEY>(root), subKey, options,
                                                static_cast<REGSAM>(access), reinterpret_cast<::HKEY*>(result)));
}

int32_t regQueryValueExA(HKEY key, const char* valueName, uint32_t*, uint32_t* type, uint8_t* data,
                         uint32_t* dataSize) {
    DWORD winType = 0;
    DWORD size = dataSize ? *dataSize : 0;
    const LONG result = ::RegQueryValueExA(static_cast<::HKEY>(key), valueName, nullptr, &winType, data,
                                           dataSize ? &size : nullptr);
    if (type) *type = winType;
    if (dataSize) *dataSize = size;
    return static_cast<int32_t>(result);
}

int32_t regCloseKey(HKEY key) { return static_cast<int32_t>(::RegCloseKey(static_cast<::HKEY>(key))); }

HMODULE loadLibraryA(const char* path) { return ::LoadLibraryA(path); }

FARPROC getProcAddress(HMODULE module, const char* name) {
    return reinterpret_cast<FARPROC>(::GetProcAddress(static_cast<::HMODULE>(module), name));
}

HANDLE createMutexA(void* attributes, int32_t initialOwner, const char* name) {
    return ::CreateMutexA(static_cast<LPSECURITY_ATTRIBUTES>(attributes), initialOwner ? TRUE : FALSE, name);
}

uint32_t waitForSingleObject(HANDLE handle, uint32_t milliseconds) {
    return ::WaitForSingleObject(handle, milliseconds);
}

int32_t releaseMutex(HANDLE handle) { return ::ReleaseMutex(handle) ? 1 : 0; }

int32_t closeHandle(HANDLE handle) { return ::CloseHandle(handle) ? 1 : 0; }

uint32_t getCurrentThreadId() { return ::GetCurrentThreadId(); }

const Api kWin32Api = {regOpenKeyExA, regQueryValueExA, regCloseKey,   loadLibraryA, getProcAddress,
                       createMutexA,  waitForSingleObject, releaseMutex, closeHandle, getCurrentThreadId};

}  // namespace

const Api& systemApi() { return kWin32Api; }

}  // namespace platform
