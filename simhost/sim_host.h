// The simulated AAX host: loads the module, starts it, takes its description and keeps the
// callbacks the description handed over, for instances, rendering and the editor to build on.
#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "acf/acf_types.h"
#include "simhost/description.h"
#include "simhost/host_lock.h"
#include "simhost/host_personality.h"
#include "simhost/host_unknown.h"
#include "simhost/module_library.h"

namespace simhost {

using FactoryProc = IACFUnknown* (*)();
using RenderCallbackProc = void (*)(void* const* firstContext, const void* pastLastContext);

// A module that loaded but failed a host call; what() names the call and its result.
class HostError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// KORVEX_BUILD_DIR "/KORVEX.aaxplugin": the module this build made.
std::string defaultModulePath();
// A result code as hosts print it: decimal for AAX codes, hexadecimal for ACF ones.
std::string resultText(int32_t result);

struct Registration {
    int32_t result = 0;
    IACFUnknown* definition = nullptr;  // on success one reference, the caller's to release
};

class SimHost {
public:
    // Loads the module (ModuleError when it cannot) and makes the host unknown; does not start it.
    explicit SimHost(const std::string& modulePath = defaultModulePath(), const HostConfig& config = {});
    SimHost(const SimHost&) = delete;
    SimHost& operator=(const SimHost&) = delete;
    // Shuts the module down if it was started, and unloads it only when it reports no live objects.
    ~SimHost();

    ModuleLibrary& module() { return *library; }
    const EntryPoints& entries() const { return library->entries(); }
    IACFUnknown* hostUnknown() const { return unknown; }  // no reference added
    HostLog& log() const { return *unknown->log(); }

    int32_t startup();
    int32_t shutdown();
    int32_t canUnloadNow() const;

    // ACFRegisterPlugin with the host unknown. The description is recorded whatever the result.
    Registration registerPlugin();
    // Registers, releases the definition and returns the description; HostError on failure.
    const Description& describe();
    // The last registration's description as the host received it.
    const Description& description() const { return *log().lastDescription; }

    // How this host drives instances and editors made from now on (KORVEX_HOST_PERSONALITY at
    // first); an instance's options may give it another.
    const HostPersonality& personality() const { return hostPersonality; }
    void setPersonality(const HostPersonality& next) { hostPersonality = next; }
    // The host's own lock, for a personality that has one: null otherwise.
    HostLock* lockFor(const HostPersonality& of) { return of.hostLock ? &hostLock : nullptr; }

    // Callbacks of the first effect of the last registration; null when it named none.
    FactoryProc factoryCallback(int32_t kind) const;
    RenderCallbackProc renderCallback() const;

private:
    std::unique_ptr<ModuleLibrary> library;
    HostUnknown* unknown;  // one reference, ours
    bool started = false;
    HostPersonality hostPersonality = HostPersonality::fromEnvironment();
    HostLock hostLock;
};

}  // namespace simhost
