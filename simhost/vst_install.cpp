// Temporary registry roots and install folders for the simulated host.
#include "simhost/vst_install.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace simhost {

namespace fs = std::filesystem;

namespace {

fs::path uniqueTemporaryRoot() {
    static std::atomic<int> counter{0};
    return fs::temp_directory_path() /
           ("korvex-registry-" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)));
}

}  // namespace

std::string defaultInstallFolder() {
    const char* dir = std::getenv("KORVEX_BUILD_DIR");
    return (dir && *dir) ? dir : KORVEX_BUILD_DIR;
}

VstInstall VstInstall::buildDefault() { return forPath(defaultInstallFolder()); }

VstInstall VstInstall::forPath(const std::string& path) {
    if (path.empty() || !fs::exists(path)) throw std::runtime_error("no VST library or install folder at '" + path + "'");
    VstInstall install;
    install.makeRoot();
    if (fs::is_directory(path)) {
        install.writeInstallDirectory(fs::absolute(path).string());
    } else {
        const fs::path installed = fs::path(install.root) / "install";
        fs::create_directories(installed / "VST64");
        fs::create_symlink(fs::absolute(path), installed / "VST64" / "KORVEX.dll");
        install.writeInstallDirectory(installed.string());
    }
    return install;
}

VstInstall VstInstall::none() {
    VstInstall install;
    install.makeRoot();
    return install;
}

VstInstall::VstInstall(VstInstall&& other) noexcept
    : root(std::move(other.root)),
      folder(std::move(other.folder)),
      previousRoot(std::move(other.previousRoot)),
      hadPreviousRoot(other.hadPreviousRoot),
      active(other.active) {
    other.active = false;
}

VstInstall::~VstInstall() {
    if (!active) return;
    if (hadPreviousRoot) ::setenv("KORVEX_REGISTRY_ROOT", previousRoot.c_str(), 1);
    else ::unsetenv("KORVEX_REGISTRY_ROOT");
    // A loaded library stays mapped after its link is gone.
    std::error_code ignored;
    fs::remove_all(root, ignored);
}

std::string VstInstall::libraryPath() const {
    return folder.empty() ? std::string() : (fs::path(folder) / "VST64" / "KORVEX.dll").string();
}

void VstInstall::makeRoot() {
    const fs::path path = uniqueTemporaryRoot();
    fs::remove_all(path);
    fs::create_directories(path / "HKLM" / "64");
    root = path.string();
    if (const char* previous = std::getenv("KORVEX_REGISTRY_ROOT")) {
        hadPreviousRoot = true;
        previousRoot = previous;
    }
    ::setenv("KORVEX_REGISTRY_ROOT", root.c_str(), 1);
    active = true;
}

void VstInstall::writeInstallDirectory(const std::string& installFolder) {
    const fs::path key = fs::path(root) / "HKLM" / "64" / "Software" / "TOLM-lab" / "KORVEX";
    fs::create_directories(key);
    // The value's bytes are the folder, exactly: no terminator, no newline.
    std::ofstream(key / "installdirectory", std::ios::binary) << installFolder;
    folder = installFolder;
}

}  // namespace simhost
