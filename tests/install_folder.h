// A throw-away install: a registry under a temporary root whose install folder holds the
// chosen library as VST64/KORVEX.dll, so the module loads it through the real platform layer.
#pragma once

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace testing_support {

inline std::filesystem::path buildDir() {
    const char* dir = std::getenv("KORVEX_BUILD_DIR");
    return (dir && *dir) ? dir : KORVEX_BUILD_DIR;
}

class InstallFolder {
public:
    // library: the file to install; an empty path leaves the folder without a library.
    explicit InstallFolder(const std::filesystem::path& library) {
        static std::atomic<int> counter{0};
        namespace fs = std::filesystem;
        root = fs::temp_directory_path() /
               ("korvex-install-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fs::remove_all(root);
        const fs::path key = root / "HKLM" / "64" / "Software" / "TOLM-lab" / "KORVEX";
        fs::create_directories(key);
        fs::create_directories(root / "install" / "VST64");
        std::ofstream(key / "installdirectory", std::ios::binary) << (root / "install").string();
        if (!library.empty()) fs::create_symlink(fs::absolute(library), root / "install" / "VST64" / "KORVEX.dll");
        ::setenv("KORVEX_REGISTRY_ROOT", root.c_str(), 1);
    }
    ~InstallFolder() {
        ::unsetenv("KORVEX_REGISTRY_ROOT");
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
    InstallFolder(const InstallFolder&) = delete;
    InstallFolder& operator=(const InstallFolder&) = delete;

private:
    std::filesystem::path root;
};

}  // namespace testing_support
