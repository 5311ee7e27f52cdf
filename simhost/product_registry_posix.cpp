// The registry stand-in: a temporary root folder named by KORVEX_REGISTRY_ROOT for this process.
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "simhost/product_registry.h"
#include "simhost/temporary_paths.h"

namespace simhost {

namespace fs = std::filesystem;

struct ProductRegistry::Saved {
    fs::path root;
    bool hadRoot = false;
    std::string previousRoot;
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
    if (const char* previous = std::getenv("KORVEX_REGISTRY_ROOT")) {
        saved->hadRoot = true;
        saved->previousRoot = previous;
    }
    ::setenv("KORVEX_REGISTRY_ROOT", saved->root.c_str(), 1);
}

ProductRegistry::~ProductRegistry() {
    if (saved->hadRoot) ::setenv("KORVEX_REGISTRY_ROOT", saved->previousRoot.c_str(), 1);
    else ::unsetenv("KORVEX_REGISTRY_ROOT");
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
