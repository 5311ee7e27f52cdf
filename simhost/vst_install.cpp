// Temporary install folders for the simulated host, registered through the product registry seam.
#include "simhost/vst_install.h"

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <stdexcept>

#include "simhost/temporary_paths.h"

namespace simhost {

namespace fs = std::filesystem;

std::string defaultInstallFolder() {
    const char* dir = std::getenv("KORVEX_BUILD_DIR");
    return (dir && *dir) ? dir : KORVEX_BUILD_DIR;
}

VstInstall::VstInstall() : productRegistry(std::make_unique<ProductRegistry>()) {}

VstInstall VstInstall::buildDefault() { return forPath(defaultInstallFolder()); }

VstInstall VstInstall::forPath(const std::string& path) {
    if (path.empty() || !fs::exists(path)) throw std::runtime_error("no VST library or install folder at '" + path + "'");
    VstInstall install;
    if (fs::is_directory(path)) {
        install.writeInstallDirectory(fs::absolute(path).string());
    } else {
        install.makeTemporaryFolder();
        fs::copy_file(path, fs::path(install.temporaryFolder) / "VST64" / "KORVEX.dll");
        install.writeInstallDirectory(install.temporaryFolder);
    }
    return install;
}

VstInstall VstInstall::emptyFolder() {
    VstInstall install;
    install.makeTemporaryFolder();
    install.writeInstallDirectory(install.temporaryFolder);
    return install;
}

VstInstall VstInstall::none() { return VstInstall(); }

VstInstall::~VstInstall() {
    if (!productRegistry) return;  // moved from
    productRegistry.reset();
    // Windows keeps a loaded library's file locked (and the module never unloads its plug-in), so
    // the folder may outlive this process there; elsewhere it goes now.
    if (!temporaryFolder.empty()) {
        std::error_code ignored;
        fs::remove_all(temporaryFolder, ignored);
        forgetTemporaryPath(temporaryFolder);
    }
}

std::string VstInstall::libraryPath() const {
    return folder.empty() ? std::string() : (fs::path(folder) / "VST64" / "KORVEX.dll").make_preferred().string();
}

void VstInstall::makeTemporaryFolder() {
    static std::atomic<int> counter{0};
    // A random part keeps names apart between processes, the counter within one.
    static const unsigned long long processPart = std::random_device{}() * 0x100000000ull + std::random_device{}();
    const fs::path path = fs::temp_directory_path() / ("korvex-install-" + std::to_string(processPart) + "-" +
                                                        std::to_string(counter.fetch_add(1)));
    fs::remove_all(path);
    // Remembered before it exists, so no exit between the two leaves it behind.
    rememberTemporaryPath(path.string());
    temporaryFolder = path.string();
    fs::create_directories(path / "VST64");
}

void VstInstall::writeInstallDirectory(const std::string& installFolder) {
    // Stored the way an installer stores it: the system's separators, no trailing one.
    folder = fs::path(installFolder).make_preferred().string();
    productRegistry->writeFolder(RegistryView::Wow64_64, folder);
}

}  // namespace simhost
