// A throw-away install: the product's registry value names an install folder holding the chosen
// library as VST64/KORVEX.dll, so the module loads it through the real platform layer.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "simhost/dynamic_library.h"
#include "simhost/vst_install.h"

namespace testing_support {

inline std::filesystem::path buildDir() {
    const char* dir = std::getenv("KORVEX_BUILD_DIR");
    return (dir && *dir) ? dir : KORVEX_BUILD_DIR;
}

// A test plug-in of build/plugins by its name, with this system's library suffix.
inline std::filesystem::path pluginFile(const std::string& name) {
    return buildDir() / "plugins" / (name + simhost::librarySuffix());
}

class InstallFolder {
public:
    // library: the file to install; an empty path leaves the folder without a library.
    explicit InstallFolder(const std::filesystem::path& library)
        : install(library.empty() ? simhost::VstInstall::emptyFolder() : simhost::VstInstall::forPath(library.string())) {}
    InstallFolder(const InstallFolder&) = delete;
    InstallFolder& operator=(const InstallFolder&) = delete;

    // The installed copy: the file the module opens.
    std::string libraryPath() const { return install.libraryPath(); }
    simhost::ProductRegistry& registry() { return install.registry(); }

private:
    simhost::VstInstall install;
};

}  // namespace testing_support
