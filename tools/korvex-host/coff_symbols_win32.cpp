// Function names from a PE file's COFF symbol table.
#include "tools/korvex-host/coff_symbols_win32.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cxxabi.h>
#include <iterator>
#include <map>
#include <mutex>
#include <vector>

namespace korvex_host {
namespace {

struct FunctionSymbol {
    uint32_t rva;
    std::string name;
};

uint32_t readU32(const std::vector<char>& file, size_t at) {
    uint32_t value = 0;
    if (at + 4 <= file.size()) std::memcpy(&value, file.data() + at, 4);
    return value;
}

uint16_t readU16(const std::vector<char>& file, size_t at) {
    uint16_t value = 0;
    if (at + 2 <= file.size()) std::memcpy(&value, file.data() + at, 2);
    return value;
}

// The functions a module's file names in its COFF symbol table, by address: mingw-w64 keeps that
// table unless the library was stripped, and dbghelp does not read it. Empty when there is none.
std::vector<FunctionSymbol> readFunctionSymbols(const wchar_t* path) {
    std::vector<FunctionSymbol> symbols;
    std::FILE* stream = _wfopen(path, L"rb");
    if (!stream) return symbols;
    std::vector<char> file;
    char chunk[65536];
    for (size_t got; (got = std::fread(chunk, 1, sizeof chunk, stream)) > 0;) file.insert(file.end(), chunk, chunk + got);
    std::fclose(stream);
    const uint32_t pe = readU32(file, 0x3c);
    if (file.size() < 0x40 || readU32(file, pe) != IMAGE_NT_SIGNATURE) return symbols;
    const size_t header = pe + 4;
    const uint16_t sectionCount = readU16(file, header + 2);
    const uint32_t symbolTable = readU32(file, header + 8);
    const uint32_t symbolCount = readU32(file, header + 12);
    const size_t sections = header + 20 + readU16(file, header + 16);
    constexpr size_t kSymbolSize = 18, kSectionSize = 40;
    if (symbolTable == 0 || symbolTable + static_cast<uint64_t>(symbolCount) * kSymbolSize > file.size()) return symbols;
    const size_t strings = symbolTable + static_cast<size_t>(symbolCount) * kSymbolSize;
    for (uint32_t i = 0; i < symbolCount; ++i) {
        const size_t at = symbolTable + static_cast<size_t>(i) * kSymbolSize;
        const uint32_t value = readU32(file, at + 8);
        const auto section = static_cast<int16_t>(readU16(file, at + 12));
        const uint16_t type = readU16(file, at + 14);
        const auto auxiliary = static_cast<uint8_t>(file[at + 17]);
        i += auxiliary;
        if (section <= 0 || section > sectionCount || (type & 0x30) != 0x20) continue;
        std::string name;
        if (readU32(file, at) == 0) {
            const size_t offset = strings + readU32(file, at + 4);
            if (offset >= file.size()) continue;
            name = std::string(file.data() + offset, strnlen(file.data() + offset, file.size() - offset));
        } else {
            name = std::string(file.data() + at, strnlen(file.data() + at, 8));
        }
        const uint32_t sectionAddress = readU32(file, sections + (static_cast<size_t>(section) - 1) * kSectionSize + 12);
        symbols.push_back({sectionAddress + value, std::move(name)});
    }
    std::sort(symbols.begin(), symbols.end(),
              [](const FunctionSymbol& a, const FunctionSymbol& b) { return a.rva < b.rva; });
    return symbols;
}

}  // namespace

bool nameCoffFunction(HMODULE module, uint32_t rva, std::string& name, uint32_t& within) {
    // Read once per module; a crash report and the blocking-call watch's report run on one thread.
    static std::mutex lock;
    static std::map<HMODULE, std::vector<FunctionSymbol>> known;
    const std::lock_guard<std::mutex> hold(lock);
    auto found = known.find(module);
    if (found == known.end()) {
        wchar_t path[MAX_PATH] = L"";
        const DWORD length = GetModuleFileNameW(module, path, MAX_PATH);
        found = known.emplace(module, length > 0 && length < MAX_PATH ? readFunctionSymbols(path)
                                                                      : std::vector<FunctionSymbol>{}).first;
    }
    const std::vector<FunctionSymbol>& symbols = found->second;
    auto after = std::upper_bound(symbols.begin(), symbols.end(), rva,
                                  [](uint32_t address, const FunctionSymbol& symbol) { return address < symbol.rva; });
    if (after == symbols.begin()) return false;
    const FunctionSymbol& symbol = *std::prev(after);
    int status = 0;
    char* readable = abi::__cxa_demangle(symbol.name.c_str(), nullptr, nullptr, &status);
    name = status == 0 && readable ? readable : symbol.name;
    std::free(readable);
    within = rva - symbol.rva;
    return true;
}


}  // namespace korvex_host
