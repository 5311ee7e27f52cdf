// A throw-away install for the module to find its VST library in: the product's registry value
// "installdirectory" naming a folder that holds VST64/KORVEX.dll.
#pragma once

#include <memory>
#include <string>

#include "simhost/product_registry.h"

namespace simhost {

// KORVEX_BUILD_DIR: the build folder, itself a valid install folder (VST64/KORVEX.dll).
std::string defaultInstallFolder();

// While it lives, the product's registry value (see ProductRegistry) names its install folder;
// what was there before comes back when it goes. Make it before the instances that should load
// through it. The newest of several alive is the one in force (see ProductRegistry).
class VstInstall {
public:
    // The build's own install folder (the reference plug-in).
    static VstInstall buildDefault();
    // `path` is either an install folder (holding VST64/KORVEX.dll) or a VST library file, which
    // is then copied to VST64/KORVEX.dll in a temporary install folder. A copy, not a link:
    // Windows has no links an unprivileged installer could rely on, and a loader that tells
    // libraries apart by path (Windows) loads the copy as a library of its own. So a test that
    // wants the library instance the module loaded opens libraryPath(), not `path`.
    static VstInstall forPath(const std::string& path);
    // A temporary install folder without any library in it.
    static VstInstall emptyFolder();
    // A registry without the product's key: instances load no VST library at all.
    static VstInstall none();

    VstInstall(VstInstall&& other) noexcept = default;
    VstInstall& operator=(VstInstall&&) = delete;
    VstInstall(const VstInstall&) = delete;
    VstInstall& operator=(const VstInstall&) = delete;
    ~VstInstall();

    // The registry the install lives in, to write other values for tests of bad installs.
    ProductRegistry& registry() { return *productRegistry; }
    // The folder "installdirectory" names, and the library path the module will open.
    const std::string& installFolder() const { return folder; }
    std::string libraryPath() const;

private:
    VstInstall();
    void makeTemporaryFolder();
    void writeInstallDirectory(const std::string& installFolder);

    std::unique_ptr<ProductRegistry> productRegistry;
    std::string folder;
    std::string temporaryFolder;  // removed at the end when this install made it
};

}  // namespace simhost
