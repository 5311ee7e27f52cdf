// Walking the import tables of the libraries loaded into this process, for the watches that point
// imports at counting or noting stand-ins while a render call runs (the heap counter, the
// blocking-call watch).
#pragma once

#include <windows.h>

#include <psapi.h>

#include <atomic>
#include <cstdint>
#include <cwchar>

namespace korvex_validate {

// Calls visit(entry, name) for each import of `module` bound by name; imports bound without names
// (no lookup table) cannot be told apart and are left out.
template <class Visit>
void forEachNamedImport(HMODULE module, Visit visit) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) return;
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    if (nt->Signature != IMAGE_NT_SIGNATURE || nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR_MAGIC) return;
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0 || directory.Size == 0) return;
    for (auto* import = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
         import->Name != 0; ++import) {
        if (import->OriginalFirstThunk == 0) continue;
        const auto* names = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* entries = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++entries) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            visit(reinterpret_cast<ULONG_PTR*>(&entries->u1.Function), reinterpret_cast<const char*>(byName->Name));
        }
    }
}

// Points one import entry elsewhere; a call through it meanwhile sees the old or the new address.
inline void writeImportEntry(ULONG_PTR* entry, ULONG_PTR value) {
    DWORD protection = 0;
    if (!VirtualProtect(entry, sizeof *entry, PAGE_READWRITE, &protection)) return;
    reinterpret_cast<std::atomic<ULONG_PTR>*>(entry)->store(value);
    VirtualProtect(entry, sizeof *entry, protection, &protection);
}

inline bool startsWithFolder(const wchar_t* path, const wchar_t* folder) {
    const size_t length = std::wcslen(folder);
    return length > 0 && _wcsnicmp(path, folder, length) == 0 &&
           (folder[length - 1] == L'\\' || path[length] == L'\\');
}

// Calls visit(module, isExecutable) for every library loaded from outside the system's folder
// (the module, the probe, the plug-in and what they bring) and for this executable.
template <class Visit>
void forEachLoadedNonSystemModule(Visit visit) {
    HMODULE modules[512];
    DWORD needed = 0;
    if (!EnumProcessModules(GetCurrentProcess(), modules, sizeof modules, &needed)) return;
    const DWORD count = needed / sizeof(HMODULE) < 512 ? needed / sizeof(HMODULE) : 512;
    wchar_t windows[MAX_PATH];
    if (GetSystemWindowsDirectoryW(windows, MAX_PATH) == 0) return;
    const HMODULE executable = GetModuleHandleW(nullptr);
    for (DWORD i = 0; i < count; ++i) {
        wchar_t path[MAX_PATH];
        const DWORD length = GetModuleFileNameW(modules[i], path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH || startsWithFolder(path, windows)) continue;
        visit(modules[i], modules[i] == executable);
    }
}

}  // namespace korvex_validate
