// HostCollection and HostServicesObject: every entry is recorded; scripted failures skip the work.
#include "simhost/host_collection.h"

#include "host/host_iids.h"
#include "simhost/host_effect_descriptor.h"
#include "simhost/host_property_map.h"

namespace simhost {

HostCollection::HostCollection(std::shared_ptr<Description> description, bool offerPluginDefinition)
    : record(std::move(description)), pluginDefinition(offerPluginDefinition) {}

int32_t HostCollection::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostCollection ||
                         (pluginDefinition && iid == IID_HostPluginDefinition);
    return answerQuery(this, static_cast<IHostCollection*>(this), matches, out);
}

int32_t HostCollection::Entry3() {
    calls.record(3);
    return calls.resultFor(3);
}

int32_t HostCollection::Entry4() {
    calls.record(4);
    return calls.resultFor(4);
}

int32_t HostCollection::Entry5() {
    calls.record(5);
    return calls.resultFor(5);
}

int32_t HostCollection::Entry6() {
    calls.record(6);
    return calls.resultFor(6);
}

int32_t HostCollection::RegisterEffect(const char* effectId, IACFUnknown* effectDescriptor) {
    calls.record(7, effectId, effectDescriptor);
    if (int32_t scripted = calls.resultFor(7)) return scripted;
    auto* effect = dynamic_cast<HostEffectDescriptor*>(effectDescriptor);
    if (!effect || !effectId) return kAcfNoInterface;
    EffectDescription registered = effect->current();
    registered.id = effectId;
    record->effects.push_back(std::move(registered));
    return kResultSuccess;
}

int32_t HostCollection::SetManufacturerName(const char* name) {
    calls.record(8, name);
    if (int32_t scripted = calls.resultFor(8)) return scripted;
    record->manufacturer = name ? name : "";
    return kResultSuccess;
}

int32_t HostCollection::AddPackageName(const char* name) {
    calls.record(9, name);
    if (int32_t scripted = calls.resultFor(9)) return scripted;
    record->packageNames.emplace_back(name ? name : "");
    return kResultSuccess;
}

int32_t HostCollection::SetPackageVersion(uint32_t version) {
    calls.record(10, version);
    if (int32_t scripted = calls.resultFor(10)) return scripted;
    record->packageVersion = version;
    return kResultSuccess;
}

int32_t HostCollection::SetProperties(IACFUnknown* propertyMap) {
    calls.record(11, propertyMap);
    if (int32_t scripted = calls.resultFor(11)) return scripted;
    auto* map = dynamic_cast<HostPropertyMap*>(propertyMap);
    record->properties = map ? map->properties() : std::vector<Property>{};
    return kResultSuccess;
}

int32_t HostServicesObject::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostServices;
    return answerQuery(this, static_cast<IHostServices*>(this), matches, out);
}

int32_t HostServicesObject::Entry3(const char* a, const char* b, int32_t c) {
    calls.record(3, a, b, c);
    return calls.resultFor(3);
}

int32_t HostServicesObject::Entry4(const char* text) {
    calls.record(4, text);
    return calls.resultFor(4);
}

}  // namespace simhost
