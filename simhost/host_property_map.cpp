// HostPropertyMap: a second AddProperty of an ID replaces its value in place.
#include "simhost/host_property_map.h"

#include <algorithm>

#include "host/host_iids.h"

namespace simhost {

HostPropertyMap::HostPropertyMap(bool offerSecondInterface) : secondInterface(offerSecondInterface) {}

int32_t HostPropertyMap::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostPropertyMap ||
                         (secondInterface && iid == IID_HostPropertyMapV2);
    return answerQuery(this, static_cast<IHostPropertyMapV2*>(this), matches, out);
}

uint8_t HostPropertyMap::GetProperty(int32_t id, int32_t* value) {
    calls.record(3, id, value);
    for (const Property& property : held) {
        if (property.id != id) continue;
        if (value) *value = property.value;
        return 1;
    }
    return 0;
}

int32_t HostPropertyMap::AddProperty(int32_t id, int32_t value) {
    calls.record(4, id, value);
    if (int32_t scripted = calls.resultFor(4)) return scripted;
    for (Property& property : held) {
        if (property.id == id) {
            property.value = value;
            return kResultSuccess;
        }
    }
    held.push_back({id, value});
    return kResultSuccess;
}

int32_t HostPropertyMap::RemoveProperty(int32_t id) {
    calls.record(5, id);
    held.erase(std::remove_if(held.begin(), held.end(), [id](const Property& p) { return p.id == id; }), held.end());
    return calls.resultFor(5);
}

int32_t HostPropertyMap::Entry6(int32_t id, const void* values, uint32_t valueCount) {
    calls.record(6, id, values, valueCount);
    return calls.resultFor(6);
}

uint8_t HostPropertyMap::Entry7(int32_t id, void* values, uint32_t valueCount) {
    calls.record(7, id, values, valueCount);
    return 0;
}

}  // namespace simhost
