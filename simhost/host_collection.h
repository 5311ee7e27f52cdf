// The simulated host's plug-in collection: where a registration's description ends up.
#pragma once

#include <memory>

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/description.h"
#include "simhost/host_object.h"

namespace simhost {

class HostCollection final : public IHostCollection, public RefCounted {
public:
    // Writes into `record`, which the host keeps after the collection is gone.
    HostCollection(std::shared_ptr<Description> record, bool offerPluginDefinition);

    // Also answers the plug-in definition IID (unless refused), handing out this same object.
    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING
    int32_t Entry3() override;
    int32_t Entry4() override;
    int32_t Entry5() override;
    int32_t Entry6() override;
    int32_t RegisterEffect(const char* effectId, IACFUnknown* effectDescriptor) override;
    int32_t SetManufacturerName(const char* name) override;
    int32_t AddPackageName(const char* name) override;
    int32_t SetPackageVersion(uint32_t version) override;
    int32_t SetProperties(IACFUnknown* propertyMap) override;

    const Description& description() const { return *record; }
    CallRecorder& recorder() { return calls; }

private:
    ~HostCollection() override = default;

    std::shared_ptr<Description> record;
    bool pluginDefinition;
    CallRecorder calls;
};

// The host's services object; records the two entries nothing in the module calls yet.
class HostServicesObject final : public IHostServices, public RefCounted {
public:
    HostServicesObject() = default;
    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING
    int32_t Entry3(const char* a, const char* b, int32_t c) override;
    int32_t Entry4(const char* text) override;

    CallRecorder& recorder() { return calls; }

private:
    ~HostServicesObject() override = default;
    CallRecorder calls;
};

}  // namespace simhost
