// The simulated host's property map: keeps properties in the order they were added.
#pragma once

#include <vector>

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/description.h"
#include "simhost/host_object.h"

namespace simhost {

class HostPropertyMap final : public IHostPropertyMapV2, public RefCounted {
public:
    explicit HostPropertyMap(bool offerSecondInterface);

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING
    uint8_t GetProperty(int32_t id, int32_t* value) override;
    int32_t AddProperty(int32_t id, int32_t value) override;
    int32_t RemoveProperty(int32_t id) override;
    int32_t Entry6(int32_t id, const void* values, uint32_t valueCount) override;
    uint8_t Entry7(int32_t id, void* values, uint32_t valueCount) override;

    const std::vector<Property>& properties() const { return held; }
    CallRecorder& recorder() { return calls; }

private:
    ~HostPropertyMap() override = default;

    bool secondInterface;
    std::vector<Property> held;
    CallRecorder calls;
};

}  // namespace simhost
