// Library loading with dlopen: RTLD_NOW so a library with unresolved symbols fails here, not mid-call.
#include <dlfcn.h>

#include "simhost/dynamic_library.h"

namespace simhost {

namespace {

#if defined(__SANITIZE_THREAD__)
constexpr bool kThreadSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr bool kThreadSanitizer = true;
#else
constexpr bool kThreadSanitizer = false;
#endif
#else
constexpr bool kThreadSanitizer = false;
#endif

// The thread sanitizer names a report's frames from the libraries mapped when it symbolizes; a
// test process that loads and unloads the module again and again leaves it guessing, and a
// documented sharing it cannot name is not recognised as one. Under it, libraries stay mapped.
constexpr int kOpenFlags = RTLD_NOW | RTLD_LOCAL | (kThreadSanitizer ? RTLD_NODELETE : 0);

}  // namespace

void* openLibrary(const std::string& path, std::string* error) {
    void* handle = ::dlopen(path.c_str(), kOpenFlags);
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
