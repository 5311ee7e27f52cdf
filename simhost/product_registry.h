// The simulated host's seam for the one registry value the module reads:
// HKEY_LOCAL_MACHINE\Software\TOLM-lab\KORVEX\installdirectory. On Windows that is the real
// registry; elsewhere it is the directory tree the module's platform layer stands in with.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace simhost {

enum class RegistryView { Wow64_64, Wow64_32 };

// Registry value types as the system numbers them (the stand-in keeps bytes only).
enum class RegistryType : uint32_t { String = 1, ExpandString = 2, Binary = 3, Dword = 4, MultiString = 7 };

// While it lives, this process owns the product's key in both views: it starts with no key at
// all, and the key as it was before (absent, or its value) comes back when it goes. On Windows a
// machine-wide lock keeps other processes that make one waiting meanwhile (refused after
// `waitSeconds`), since the registry, unlike the stand-in's root folder, is shared by every
// process. Several may live at once in one process, on one thread: the newest one's key is in
// force, and the key as it was before the oldest comes back when the last goes, in whatever order
// they go (a test makes its next install before the last is dropped).
class ProductRegistry {
public:
    explicit ProductRegistry(double waitSeconds = 300.0);  // std::runtime_error when it cannot
    ~ProductRegistry();
    ProductRegistry(const ProductRegistry&) = delete;
    ProductRegistry& operator=(const ProductRegistry&) = delete;

    // Writes "installdirectory" into the product's key in `view`, creating the key: the bytes
    // exactly as given, with the given type. std::runtime_error when the system refuses.
    void write(RegistryView view, const std::string& bytes, RegistryType type = RegistryType::String);
    // Writes `folder` the way this system's installers do: a terminated REG_SZ on Windows, the
    // bare bytes in the stand-in.
    void writeFolder(RegistryView view, const std::string& folder);
    // Removes the product's key from `view`; nothing happens when there is none.
    void erase(RegistryView view);

    // Where the stand-in's tree lives (its root folder); empty on Windows.
    std::string standInRoot() const;

private:
    struct Saved;
    std::unique_ptr<Saved> saved;
};

}  // namespace simhost
