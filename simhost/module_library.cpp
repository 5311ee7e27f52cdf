// ModuleLibrary: the module opened with every symbol resolved, so a broken one fails here, not mid-test.
#include "simhost/module_library.h"

#include "simhost/dynamic_library.h"

namespace simhost {
namespace {

template <class Proc>
void find(void* handle, const std::string& path, const char* name, Proc& proc) {
    void* found = librarySymbol(handle, name);
    if (!found) throw ModuleError("module " + path + " does not export " + name);
    proc = reinterpret_cast<Proc>(found);
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::string& path) : filePath(path) {
    std::string reason;
    handle = openLibrary(path, &reason);
    if (!handle) throw ModuleError("cannot load module " + path + ": " + reason);
    try {
        find(handle, path, "ACFRegisterPlugin", entryPoints.registerPlugin);
        find(handle, path, "ACFRegisterComponent", entryPoints.registerComponent);
        find(handle, path, "ACFGetClassFactory", entryPoints.getClassFactory);
        find(handle, path, "ACFCanUnloadNow", entryPoints.canUnloadNow);
        find(handle, path, "ACFStartup", entryPoints.startup);
        find(handle, path, "ACFShutdown", entryPoints.shutdown);
        find(handle, path, "ACFGetSDKVersion", entryPoints.getSDKVersion);
    } catch (...) {
        closeLibrary(handle);
        throw;
    }
}

ModuleLibrary::~ModuleLibrary() {
    if (unloadOnDestruction) closeLibrary(handle);
}

void* ModuleLibrary::symbol(const char* name) const { return librarySymbol(handle, name); }

}  // namespace simhost
