// Library loading with dlopen: RTLD_NOW so a library with unresolved symbols fails here, not mid-call.
#include <dlfcn.h>

#include "simhost/dynamic_library.h"

namespace simhost {

void* openLibrary(const std::string& path, std::string* error) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && error) {
        const char* reason = ::dlerror();
        *error = reason ? reason : "dlopen failed";
    }
    return handle;
}

void* librarySymbol(void* library, const char* name) { return library ? ::dlsym(library, name) : nullptr; }

void closeLibrary(void* library) {
    if (library) ::dlclose(library);
}

const char* librarySuffix() { return ".so"; }

}  // namespace simhost
