// The module file opened the way a host opens it (through the library seam: dlopen, or LoadLibraryW on
// Windows), with its seven entry points found by name.
#pragma once

#include <stdexcept>
#include <string>

#include "module/entry_points.h"

namespace simhost {

// A module that cannot be used: not found, not loadable, or missing an entry point. what() says which.
class ModuleError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct EntryPoints {
    ACFRegisterPluginProc registerPlugin = nullptr;
    ACFRegisterComponentProc registerComponent = nullptr;
    ACFGetClassFactoryProc getClassFactory = nullptr;
    ACFCanUnloadNowProc canUnloadNow = nullptr;
    ACFStartupProc startup = nullptr;
    ACFShutdownProc shutdown = nullptr;
    ACFGetSDKVersionProc getSDKVersion = nullptr;
};

class ModuleLibrary {
public:
    // Throws ModuleError naming the path and the reason.
    explicit ModuleLibrary(const std::string& path);
    ModuleLibrary(const ModuleLibrary&) = delete;
    ModuleLibrary& operator=(const ModuleLibrary&) = delete;
    ~ModuleLibrary();  // unloads unless keepLoaded() was called

    const EntryPoints& entries() const { return entryPoints; }
    const std::string& path() const { return filePath; }
    // Any exported symbol, or null.
    void* symbol(const char* name) const;
    // For a module that still has live objects: unloading it would leave their code behind.
    void keepLoaded() { unloadOnDestruction = false; }

private:
    std::string filePath;
    void* handle = nullptr;
    EntryPoints entryPoints;
    bool unloadOnDestruction = true;
};

}  // namespace simhost
