// SimHost: the host's side of start-up, registration and shut-down.
#include "simhost/sim_host.h"

#include <cstdio>

namespace simhost {

std::string defaultModulePath() { return std::string(KORVEX_BUILD_DIR) + "/KORVEX.aaxplugin"; }

std::string resultText(int32_t result) {
    char text[32];
    if (result < -0x10000) {
        std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(result));
    } else {
        std::snprintf(text, sizeof text, "%d", static_cast<int>(result));
    }
    return text;
}

SimHost::SimHost(const std::string& modulePath, const HostConfig& config)
    : library(std::make_unique<ModuleLibrary>(modulePath)), unknown(new HostUnknown(config)) {}

SimHost::~SimHost() {
    if (started) library->entries().shutdown(unknown);
    if (library->entries().canUnloadNow(unknown) != 0) library->keepLoaded();
    unknown->Release();
}

int32_t SimHost::startup() {
    const int32_t result = library->entries().startup(unknown);
    started = started || result == kResultSuccess;
    return result;
}

int32_t SimHost::shutdown() {
    started = false;
    return library->entries().shutdown(unknown);
}

int32_t SimHost::canUnloadNow() const { return library->entries().canUnloadNow(unknown); }

Registration SimHost::registerPlugin() {
    Registration registration;
    void* definition = nullptr;
    registration.result = library->entries().registerPlugin(unknown, &definition);
    if (registration.result == kResultSuccess) registration.definition = static_cast<IACFUnknown*>(definition);
    return registration;
}

const Description& SimHost::describe() {
    const Registration registration = registerPlugin();
    if (registration.result != kResultSuccess)
        throw HostError("ACFRegisterPlugin failed with " + resultText(registration.result));
    if (registration.definition) registration.definition->Release();
    return description();
}

FactoryProc SimHost::factoryCallback(int32_t kind) const {
    if (description().effects.empty()) return nullptr;
    const FactoryCallback* callback = description().effects.front().factory(kind);
    return callback ? reinterpret_cast<FactoryProc>(callback->function) : nullptr;
}

RenderCallbackProc SimHost::renderCallback() const {
    if (description().effects.empty()) return nullptr;
    for (const ComponentDescription& component : description().effects.front().components)
        if (component.hasRenderCallback) return reinterpret_cast<RenderCallbackProc>(component.renderCallback);
    return nullptr;
}

}  // namespace simhost
