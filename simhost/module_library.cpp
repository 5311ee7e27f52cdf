// ModuleLibrary: dlopen with RTLD_NOW so a module with unresolved symbols fails here, not mid-test.
#include "simhost/module_library.h"

#include <dlfcn.h>

namespace simhost {
namespace {

template <class Proc>
void find(void* handle, const std::string& path, const char* name, Proc& proc) {
    void* found = dlsym(handle, name);
    if (!found) throw ModuleError("module " + path + " does not export " + name);
    proc = reinterpret_cast<Proc>(found);
}

}  // namespace

ModuleLibrary::ModuleLibrary(const std::string& path) : filePath(path) {
    handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        throw ModuleError("cannot load module " + path + ": " + (reason ? reason : "unknown error"));
    }
    try {
        find(handle, path, "ACFRegisterPlugin", entryPoints.registerPlugin);
        find(handle, path, "ACFRegisterComponent", entryPoints.registerComponent);
        find(handle, path, "ACFGetClassFactory", entryPoints.getClassFactory);
        find(handle, path, "ACFCanUnloadNow", entryPoints.canUnloadNow);
        find(handle, path, "ACFStartup", entryPoints.startup);
        find(handle, path, "ACFShutdown", entryPoints.shutdown);
        find(handle, path, "ACFGetSDKVersion", entryPoints.getSDKVersion);
    } catch (...) {
        dlclose(handle);
        throw;
    }
}

ModuleLibrary::~ModuleLibrary() {
    if (unloadOnDestruction) dlclose(handle);
}

void* ModuleLibrary::symbol(const char* name) const { return dlsym(handle, name); }

}  // namespace simhost
