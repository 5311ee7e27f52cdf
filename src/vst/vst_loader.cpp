// Registry look-up, path building and library loading for the wrapped plug-in.
#include "vst/vst_loader.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "vst/host_callback.h"

char gLoadMessage[kLoadMessageSize] = {};

namespace {

constexpr char kMaker[] = "TOLM-lab";
constexpr char kProduct[] = "KORVEX";
constexpr char kKeyPath[] = "Software\\TOLM-lab\\KORVEX";
constexpr char kValueName[] = "installdirectory";
constexpr char kLibrarySuffix[] = "VST64\\KORVEX.dll";
constexpr char kEntryName[] = "main";

// Room for a 999-character folder, one separator, the suffix and the terminator.
constexpr size_t kPathSize = kInstallFolderSize + 1 + sizeof kLibrarySuffix;

platform::HKEY openProductKey(const platform::Api& sys) {
    platform::HKEY key = nullptr;
    const uint32_t view64 = platform::kKeyRead | platform::kKeyWow64_64;
    // The 64-bit view is asked twice before falling back to the 32-bit view of older installers.
    if (sys.RegOpenKeyExA(platform::kHkeyLocalMachine, kKeyPath, 0, view64, &key) == platform::kErrorSuccess) return key;
    if (sys.RegOpenKeyExA(platform::kHkeyLocalMachine, kKeyPath, 0, view64, &key) == platform::kErrorSuccess) return key;
    const uint32_t view32 = platform::kKeyRead | platform::kKeyWow64_32;
    if (sys.RegOpenKeyExA(platform::kHkeyLocalMachine, kKeyPath, 0, view32, &key) == platform::kErrorSuccess) return key;
    return nullptr;
}

// Reads the install folder into path and appends the library's place below it; false when
// the value is missing or has no terminator within the 1000 bytes it may occupy.
bool buildLibraryPath(const platform::Api& sys, platform::HKEY key, char (&path)[kPathSize]) {
    uint32_t size = kInstallFolderSize;
    const int32_t read = sys.RegQueryValueExA(key, kValueName, nullptr, nullptr, reinterpret_cast<uint8_t*>(path),
                                              &size);
    sys.RegCloseKey(key);
    if (read != platform::kErrorSuccess) return false;
    // The registry does not promise a terminator; the value's own size bounds the text.
    const size_t stored = size < kInstallFolderSize ? size : kInstallFolderSize;
    const void* terminator = std::memchr(path, '\0', stored);
    size_t length = terminator ? static_cast<size_t>(static_cast<const char*>(terminator) - path) : stored;
    if (length >= kInstallFolderSize) return false;
    path[length] = '\0';
    if (length == 0 || path[length - 1] != '\\') path[length++] = '\\';
    std::memcpy(path + length, kLibrarySuffix, sizeof kLibrarySuffix);
    return true;
}

}  // namespace

void FormatLoadMessage() {
    std::snprintf(gLoadMessage, sizeof gLoadMessage, "Unable to load %s \n you should reinstall your %s product",
                  kMaker, kProduct);
}

AEffect* LoadVstPlugin() {
    const platform::Api& sys = platform::api();
    platform::HKEY key = openProductKey(sys);
    if (!key) return nullptr;
    char path[kPathSize] = {};
    if (!buildLibraryPath(sys, key, path)) return nullptr;
    platform::HMODULE library = sys.LoadLibraryA(path);
    if (!library) return nullptr;
    platform::FARPROC entry = sys.GetProcAddress(library, kEntryName);
    if (!entry) return nullptr;
    auto* pluginMain = reinterpret_cast<VstPluginMainProc>(entry);
    AEffect* effect = pluginMain(HostCallback);
    if (!effect) return nullptr;
    effect->user = nullptr;
    return effect;
}
