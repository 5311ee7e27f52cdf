// Stand-ins for the Windows services on POSIX systems: a directory tree as the registry,
// dlopen as the loader, a recursive pthread mutex as the Win32 mutex.
#include <dlfcn.h>
#include <pthread.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "platform/platform.h"

namespace platform {
namespace {

struct RegistryKey {
    std::string path;
};

std::string registryRoot() {
    const char* root = std::getenv("KORVEX_REGISTRY_ROOT");
    return (root && *root) ? root : "/etc/korvex-registry";
}

bool isDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

int32_t regOpenKeyExA(HKEY root, const char* subKey, uint32_t, uint32_t access, HKEY* result) {
    if (!result) return 87;  // ERROR_INVALID_PARAMETER
    *result = nullptr;
    if (root != kHkeyLocalMachine || !subKey) return kErrorFileNotFound;
    std::string path = registryRoot() + "/HKLM/" + ((access & kKeyWow64_32) ? "32" : "64");
    std::string key = subKey;
    for (char& c : key)
        if (c == '\\') c = '/';
    if (!key.empty()) path += "/" + key;
    if (!isDirectory(path)) return kErrorFileNotFound;
    *result = new (std::nothrow) RegistryKey{path};
    return *result ? kErrorSuccess : 8;  // ERROR_NOT_ENOUGH_MEMORY
}

int32_t regQueryValueExA(HKEY key, const char* valueName, uint32_t*, uint32_t* type, uint8_t* data,
                         uint32_t* dataSize) {
    if (!key) return 6;  // ERROR_INVALID_HANDLE
    const auto* registryKey = static_cast<RegistryKey*>(key);
    std::ifstream file(registryKey->path + "/" + (valueName ? valueName : ""), std::ios::binary);
    if (!file) return kErrorFileNotFound;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (type) *type = 3;  // REG_BINARY: the stand-in stores bytes only
    const auto size = static_cast<uint32_t>(bytes.size());
    if (!dataSize) return data ? 87 : kErrorSuccess;
    if (!data) {
        *dataSize = size;
        return kErrorSuccess;
    }
    if (size > *dataSize) {
        *dataSize = size;
        return kErrorMoreData;
    }
    std::copy(bytes.begin(), bytes.end(), data);
    *dataSize = size;
    return kErrorSuccess;
}

int32_t regCloseKey(HKEY key) {
    delete static_cast<RegistryKey*>(key);
    return kErrorSuccess;
}

HMODULE loadLibraryA(const char* path) {
    if (!path) return nullptr;
    std::string file = path;
    for (char& c : file)
        if (c == '\\') c = '/';
    return ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC getProcAddress(HMODULE module, const char* name) {
    return (module && name) ? ::dlsym(module, name) : nullptr;
}

// Win32 mutexes are recursive for their owner; so is this one.
HANDLE createMutexA(void*, int32_t initialOwner, const char*) {
    auto* mutex = new (std::nothrow) pthread_mutex_t;
    if (!mutex) return nullptr;
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    const int failed = pthread_mutex_init(mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
    if (failed) {
        delete mutex;
        return nullptr;
    }
    if (initialOwner) pthread_mutex_lock(mutex);
    return mutex;
}

uint32_t waitForSingleObject(HANDLE handle, uint32_t) {
    if (!handle) return 0xFFFFFFFFu;  // WAIT_FAILED
    pthread_mutex_lock(static_cast<pthread_mutex_t*>(handle));
    return 0;  // WAIT_OBJECT_0
}

int32_t releaseMutex(HANDLE handle) {
    return handle && pthread_mutex_unlock(static_cast<pthread_mutex_t*>(handle)) == 0 ? 1 : 0;
}

int32_t closeHandle(HANDLE handle) {
    if (!handle) return 0;
    auto* mutex = static_cast<pthread_mutex_t*>(handle);
    pthread_mutex_destroy(mutex);
    delete mutex;
    return 1;
}

// Numbers are never reused, so they stay unique among live threads and are never 0.
uint32_t getCurrentThreadId() {
    static std::atomic<uint32_t> next{1};
    thread_local const uint32_t id = next.fetch_add(1);
    return id;
}

const Api kPosixApi = {regOpenKeyExA, regQueryValueExA, regCloseKey,   loadLibraryA, getProcAddress,
                       createMutexA,  waitForSingleObject, releaseMutex, closeHandle, getCurrentThreadId};

}  // namespace

const Api& systemApi() { return kPosixApi; }

}  // namespace platform
