// HostUnknown and its component factory: the objects the module's description proxies start from.
#include "simhost/host_unknown.h"

#include <algorithm>

#include "host/host_iids.h"
#include "simhost/host_collection.h"
#include "simhost/host_component_descriptor.h"
#include "simhost/host_effect_descriptor.h"
#include "simhost/host_property_map.h"

namespace simhost {
namespace {

bool listed(const std::vector<GUID>& classes, const GUID& classId) {
    return std::find(classes.begin(), classes.end(), classId) != classes.end();
}

}  // namespace

HostComponentFactory::HostComponentFactory(const HostConfig& config, std::shared_ptr<HostLog> log)
    : settings(config), hostLog(std::move(log)) {}

int32_t HostComponentFactory::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_IACFComponentFactory;
    return answerQuery(this, static_cast<IACFComponentFactory*>(this), matches, out);
}

RefCounted* HostComponentFactory::make(const GUID& classId) {
    if (classId == CLSID_HostCollection) {
        hostLog->lastDescription = std::make_shared<Description>();
        return new HostCollection(hostLog->lastDescription, settings.pluginDefinition);
    }
    if (classId == CLSID_HostEffectDescriptor) return new HostEffectDescriptor(settings.secondInterfaces);
    if (classId == CLSID_HostComponentDescriptor) return new HostComponentDescriptor(settings.secondInterfaces);
    if (classId == CLSID_HostPropertyMap) return new HostPropertyMap(settings.secondInterfaces);
    if (classId == CLSID_HostServices) return new HostServicesObject();
    return nullptr;
}

int32_t HostComponentFactory::CreateComponent(const GUID& classId, IACFUnknown*, const GUID& iid, void** out) {
    if (!out) return kAcfInvalidPointer;
    *out = nullptr;
    hostLog->requestedClasses.push_back(classId);
    if (listed(settings.nullClasses, classId)) return kResultSuccess;
    if (listed(settings.refusedClasses, classId)) return kAcfNoInterface;
    RefCounted* made = make(classId);
    if (!made) return kAcfNoInterface;
    // The creation reference goes once the query has added the caller's (or deletes a refused object).
    auto* unknown = dynamic_cast<IACFUnknown*>(made);
    const int32_t result = unknown->QueryInterface(iid, out);
    made->release();
    return result;
}

HostUnknown::HostUnknown(const HostConfig& config)
    : settings(config), hostLog(std::make_shared<HostLog>()), factory(new HostComponentFactory(config, hostLog)) {}

HostUnknown::~HostUnknown() { factory->release(); }

int32_t HostUnknown::QueryInterface(const GUID& iid, void** out) {
    if (iid == IID_IACFComponentFactory) {
        if (!out) return kAcfInvalidPointer;
        if (settings.nullComponentFactory) {
            *out = nullptr;
            return kResultSuccess;
        }
        if (settings.componentFactory) return factory->QueryInterface(iid, out);
    }
    return answerQuery(this, static_cast<IACFUnknown*>(this), iid == IID_IACFUnknown, out);
}

}  // namespace simhost
