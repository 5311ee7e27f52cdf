// The instance unknown: routes each service IID to the object that serves it.
#include "simhost/sim_instance_unknown.h"

#include "host/host_iids.h"

namespace simhost {

SimInstanceUnknown::SimInstanceUnknown(const InstanceServices& services) {
    if (services.controller) {
        hold(services.controller);
        route(IID_HostController, services.controller);
        route(IID_HostControllerV2, services.controller);
    }
    if (services.transport) {
        hold(services.transport);
        route(IID_HostTransport, services.transport);
        route(IID_HostTransportV2, services.transport);
    }
    if (services.automation) {
        hold(services.automation);
        route(IID_HostAutomation, services.automation);
    }
    if (services.viewContainer) {
        hold(services.viewContainer);
        route(IID_HostViewContainer, services.viewContainer);
    }
    for (const auto& [iid, object] : services.extras) {
        if (!object) continue;
        hold(object);
        route(iid, object);
    }
}

SimInstanceUnknown::~SimInstanceUnknown() {
    for (IACFUnknown* object : held) object->Release();
}

void SimInstanceUnknown::route(const GUID& iid, IACFUnknown* object) { routes.emplace_back(iid, object); }

void SimInstanceUnknown::hold(IACFUnknown* object) {
    object->AddRef();
    held.push_back(object);
}

// The serving object answers (and counts the reference) itself, so it hands out the right interface.
int32_t SimInstanceUnknown::QueryInterface(const GUID& iid, void** out) {
    if (!out) return kAcfNoInterface;
    if (iid == IID_IACFUnknown) return answerQuery(this, static_cast<IACFUnknown*>(this), true, out);
    for (const auto& [routed, object] : routes)
        if (routed == iid) return object->QueryInterface(iid, out);
    *out = nullptr;
    return kAcfNoInterface;
}

}  // namespace simhost
