// The module's only door to the operating system: registry, loader, mutex and thread id,
// with Win32 names and semantics. Tests swap the whole table for a recording fake.
#pragma once

#include <cstdint>

namespace platform {

using HKEY = void*;
using HMODULE = void*;
using HANDLE = void*;
using FARPROC = void*;

// The system's own value: the 32-bit handle 0x80000002 sign-extended, as 64-bit Windows defines
// it. A zero-extended 0x0000000080000002 only works where the registry cuts handles to 32 bits.
inline HKEY const kHkeyLocalMachine =
    reinterpret_cast<HKEY>(static_cast<intptr_t>(static_cast<int32_t>(0x80000002u)));

inline constexpr uint32_t kKeyRead = 0x20019;
inline constexpr uint32_t kKeyWow64_64 = 0x0100;
inline constexpr uint32_t kKeyWow64_32 = 0x0200;
inline constexpr int32_t kErrorSuccess = 0;
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorMoreData = 234;
inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

struct Api {
    int32_t (*RegOpenKeyExA)(HKEY root, const char* subKey, uint32_t options, uint32_t access, HKEY* result);
    int32_t (*RegQueryValueExA)(HKEY key, const char* valueName, uint32_t* reserved, uint32_t* type,
                                uint8_t* data, uint32_t* dataSize);
    int32_t (*RegCloseKey)(HKEY key);
    HMODULE (*LoadLibraryA)(const char* path);
    FARPROC (*GetProcAddress)(HMODULE module, const char* name);
    HANDLE (*CreateMutexA)(void* attributes, int32_t initialOwner, const char* name);
    uint32_t (*WaitForSingleObject)(HANDLE handle, uint32_t milliseconds);
    int32_t (*ReleaseMutex)(HANDLE handle);
    int32_t (*CloseHandle)(HANDLE handle);
    uint32_t (*GetCurrentThreadId)();
};

// The real implementation of this system (Win32, or the stand-ins elsewhere).
const Api& systemApi();

// The table in use. Replace it in tests; null restores the system's.
const Api& api();
void setApi(const Api* replacement);

}  // namespace platform
