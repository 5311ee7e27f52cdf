// A throw-away registry for the module to find its VST library in: a temporary root whose
// "installdirectory" names the folder that holds VST64/KORVEX.dll, set in the environment.
#pragma once

#include <string>

namespace simhost {

// KORVEX_BUILD_DIR: the build folder, itself a valid install folder (VST64/KORVEX.dll).
std::string defaultInstallFolder();

// While it lives, KORVEX_REGISTRY_ROOT points at its temporary root; the previous value comes
// back when it goes. Make it before the instances that should load through it. One at a time.
class VstInstall {
public:
    // The build's own install folder (the reference plug-in).
    static VstInstall buildDefault();
    // `path` is either an install folder (holding VST64/KORVEX.dll) or a VST library file, which
    // is then installed as VST64/KORVEX.dll through a symbolic link in a temporary folder.
    static VstInstall forPath(const std::string& path);
    // A registry without the product's key: instances load no VST library at all.
    static VstInstall none();

    VstInstall(VstInstall&& other) noexcept;
    VstInstall& operator=(VstInstall&&) = delete;
    VstInstall(const VstInstall&) = delete;
    VstInstall& operator=(const VstInstall&) = delete;
    ~VstInstall();

    const std::string& registryRoot() const { return root; }
    // The folder "installdirectory" names, and the library path the module will open.
    const std::string& installFolder() const { return folder; }
    std::string libraryPath() const;

private:
    VstInstall() = default;
    void makeRoot();
    void writeInstallDirectory(const std::string& installFolder);

    std::string root;
    std::string folder;
    std::string previousRoot;
    bool hadPreviousRoot = false;
    bool active = false;
};

}  // namespace simhost
