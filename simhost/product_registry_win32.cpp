// The product's key in the real registry, in the 64-bit and 32-bit views, guarded machine-wide by
// a named mutex because every process on the machine sees the same key.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "simhost/product_registry.h"

namespace simhost {
namespace {

constexpr char kParentPath[] = "Software\\TOLM-lab";
constexpr char kKeyPath[] = "Software\\TOLM-lab\\KORVEX";
constexpr char kValueName[] = "installdirectory";
constexpr wchar_t kLockName[] = L"korvex-simulated-host-product-registry";

REGSAM viewFlag(RegistryView view) { return view == RegistryView::Wow64_32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

[[noreturn]] void fail(const char* what, LONG code) {
    char text[160];
    std::snprintf(text, sizeof text, "registry: %s failed with error %ld", what, static_cast<long>(code));
    throw std::runtime_error(text);
}

bool keyExists(const char* path, RegistryView view) {
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ | viewFlag(view), &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

// What one view held before: whether the key and its parent existed, and the value if any.
struct ViewState {
    bool parentExisted = false;
    bool keyExisted = false;
    bool valuePresent = false;
    DWORD type = REG_SZ;
    std::vector<BYTE> bytes;
};

// [any thread: guarded by gLivingLock] What the key was before each product registry alive in this
// process, oldest first (each points at its registry's two views). The newest one's values are in
// force. One that goes while a newer one lives (a test makes the next install before dropping the
// last) hands what it found to the next newer one, so the key as it was before the oldest comes
// back when the last goes, and an older state never overwrites a newer registry's value.
std::mutex gLivingLock;
std::vector<ViewState*> gLiving;

void enterLiving(ViewState* before) {
    const std::lock_guard<std::mutex> hold(gLivingLock);
    gLiving.push_back(before);
}

// True when the registry leaving was the newest: its values are in force and `before` comes back.
bool leaveLiving(ViewState* before) {
    const std::lock_guard<std::mutex> hold(gLivingLock);
    const auto it = std::find(gLiving.begin(), gLiving.end(), before);
    if (it == gLiving.end()) return false;
    const bool newest = it + 1 == gLiving.end();
    if (!newest) std::copy(before, before + 2, *(it + 1));
    gLiving.erase(it);
    return newest;
}

ViewState readView(RegistryView view) {
    ViewState state;
    state.parentExisted = keyExists(kParentPath, view);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_READ | viewFlag(view), &key) != ERROR_SUCCESS)
        return state;
    state.keyExisted = true;
    DWORD size = 0;
    if (::RegQueryValueExA(key, kValueName, nullptr, &state.type, nullptr, &size) == ERROR_SUCCESS) {
        state.bytes.resize(size);
        if (::RegQueryValueExA(key, kValueName, nullptr, &state.type, state.bytes.data(), &size) == ERROR_SUCCESS) {
            state.bytes.resize(size);
            state.valuePresent = true;
        }
    }
    ::RegCloseKey(key);
    return state;
}

void deleteKey(const char* path, RegistryView view) {
    const LONG result = ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, path, viewFlag(view), 0);
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) fail("deleting the product's key", result);
}

void writeValue(RegistryView view, const BYTE* data, DWORD size, DWORD type) {
    HKEY key = nullptr;
    LONG result = ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                    KEY_SET_VALUE | viewFlag(view), nullptr, &key, nullptr);
    if (result != ERROR_SUCCESS) fail("creating the product's key (writing HKLM needs administrator rights)", result);
    result = ::RegSetValueExA(key, kValueName, 0, type, data, size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS) fail("writing installdirectory", result);
}

}  // namespace

struct ProductRegistry::Saved {
    HANDLE lock = nullptr;
    ViewState views[2];
};

ProductRegistry::ProductRegistry(double waitSeconds) : saved(std::make_unique<Saved>()) {
    saved->lock = ::CreateMutexW(nullptr, FALSE, kLockName);
    if (!saved->lock) fail("creating the lock", static_cast<LONG>(::GetLastError()));
    const DWORD waitMs = waitSeconds > 0.0 ? static_cast<DWORD>(waitSeconds * 1000.0) : INFINITE;
    // An abandoned lock only means its last holder died; whatever it left is overwritten below.
    const DWORD waited = ::WaitForSingleObject(saved->lock, waitMs);
    if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
        ::CloseHandle(saved->lock);
        throw std::runtime_error("registry: another process kept the product's key for too long");
    }
    try {
        for (RegistryView view : {RegistryView::Wow64_64, RegistryView::Wow64_32}) {
            saved->views[static_cast<int>(view)] = readView(view);
            erase(view);
        }
        enterLiving(saved->views);
    } catch (...) {
        ::ReleaseMutex(saved->lock);
        ::CloseHandle(saved->lock);
        throw;
    }
}

ProductRegistry::~ProductRegistry() {
    // Restoring is best effort: a destructor has no one to tell.
    if (leaveLiving(saved->views)) {
        for (RegistryView view : {RegistryView::Wow64_64, RegistryView::Wow64_32}) {
            const ViewState& before = saved->views[static_cast<int>(view)];
            ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, viewFlag(view), 0);
            if (before.keyExisted) {
                HKEY key = nullptr;
                if (::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                      KEY_SET_VALUE | viewFlag(view), nullptr, &key, nullptr) == ERROR_SUCCESS) {
                    if (before.valuePresent)
                        ::RegSetValueExA(key, kValueName, 0, before.type, before.bytes.data(),
                                         static_cast<DWORD>(before.bytes.size()));
                    ::RegCloseKey(key);
                }
            } else if (!before.parentExisted) {
                ::RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kParentPath, viewFlag(view), 0);
            }
        }
    }
    ::ReleaseMutex(saved->lock);
    ::CloseHandle(saved->lock);
}

void ProductRegistry::write(RegistryView view, const std::string& bytes, RegistryType type) {
    writeValue(view, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()),
               static_cast<DWORD>(type));
}

void ProductRegistry::writeFolder(RegistryView view, const std::string& folder) {
    write(view, std::string(folder.c_str(), folder.size() + 1), RegistryType::String);
}

void ProductRegistry::erase(RegistryView view) { deleteKey(kKeyPath, view); }

std::string ProductRegistry::standInRoot() const { return std::string(); }

}  // namespace simhost
