// The registry stand-in: a temporary root folder named by KORVEX_REGISTRY_ROOT for this process.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <stdexcept>
#include <vector>

#include "simhost/product_registry.h"
#include "simhost/temporary_paths.h"

namespace simhost {

namespace fs = std::filesystem;

namespace {

// KORVEX_REGISTRY_ROOT as a registry found it.
struct RootBefore {
    bool had = false;
    std::string root;
};

// [any thread: guarded by gLivingLock] What the root was before each product registry alive in
// this process, oldest first; the newest one's root is in force. One that goes while a newer one
// lives (a test makes the next install before dropping the last) hands what it found to the next
// newer one, so the root as it was before the oldest comes back when the last goes, and an older
// root never replaces a newer registry's.
std::mutex gLivingLock;
std::vector<RootBefore*> gLiving;

// True when the registry leaving was the newest: its root is in force and `before` comes back.
bool leaveLiving(RootBefore* before) {
    const std::lock_guard<std::mutex> hold(gLivingLock);
    const auto it = std::find(gLiving.begin(), gLiving.end(), before);
    if (it == gLiving.end()) return false;
    const bool newest = it + 1 == gLiving.end();
    if (!newest) **(it + 1) = *before;
    gLiving.erase(it);
    return newest;
}

}  // namespace

struct ProductRegistry::Saved {
    fs::path root;
    RootBefore before;
};

namespace {

fs::path keyFolder(const fs::path& root, RegistryView view) {
    return root / "HKLM" / (view == RegistryView::Wow64_32 ? "32" : "64") / "Software" / "TOLM-lab" / "KORVEX";
}

}  // namespace

ProductRegistry::ProductRegistry(double) : saved(std::make_unique<Saved>()) {
    static std::atomic<int> counter{0};
    saved->root = fs::temp_directory_path() /
                  ("korvex-registry-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
    fs::remove_all(saved->root);
    rememberTemporaryPath(saved->root.string());
    fs::create_directories(saved->root / "HKLM" / "64");
    const std::lock_guard<std::mutex> hold(gLivingLock);
    if (const char* previous = std::getenv("KORVEX_REGISTRY_ROOT")) {
        saved->before.had = true;
        saved->before.root = previous;
    }
    ::setenv("KORVEX_REGISTRY_ROOT", saved->root.c_str(), 1);
    gLiving.push_back(&saved->before);
}

ProductRegistry::~ProductRegistry() {
    if (leaveLiving(&saved->before)) {
        if (saved->before.had) ::setenv("KORVEX_REGISTRY_ROOT", saved->before.root.c_str(), 1);
        else ::unsetenv("KORVEX_REGISTRY_ROOT");
    }
    std::error_code ignored;
    fs::remove_all(saved->root, ignored);
    forgetTemporaryPath(saved->root.string());
}

void ProductRegistry::write(RegistryView view, const std::string& bytes, RegistryType) {
    const fs::path key = keyFolder(saved->root, view);
    fs::create_directories(key);
    // The value's bytes are the file's, exactly: no terminator, no newline.
    std::ofstream file(key / "installdirectory", std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write the registry stand-in under " + saved->root.string());
}

void ProductRegistry::writeFolder(RegistryView view, const std::string& folder) { write(view, folder); }

void ProductRegistry::erase(RegistryView view) {
    std::error_code ignored;
    fs::remove_all(keyFolder(saved->root, view), ignored);
}

std::string ProductRegistry::standInRoot() const { return saved->root.string(); }

}  // namespace simhost
