// Names for code addresses in libraries built with mingw-w64: it keeps a COFF symbol table in the
// file unless the library was stripped, and dbghelp (Wine's included) does not read it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace korvex_host {

// The function around `rva` (an offset from the module's base), demangled, and how far into it;
// false when the module's file names no function there. Reads the file on a module's first use.
bool nameCoffFunction(HMODULE module, uint32_t rva, std::string& name, uint32_t& within);

}  // namespace korvex_host
