// The host unknown the simulated host gives the module's entry points, with the component factory
// behind it. Both can be told to misbehave, one way at a time, for failure tests.
#pragma once

#include <memory>
#include <vector>

#include "host/host_interfaces.h"
#include "simhost/description.h"
#include "simhost/host_object.h"

namespace simhost {

struct HostConfig {
    bool componentFactory = true;        // false: the unknown refuses the component factory's IID
    bool nullComponentFactory = false;   // the unknown answers success with a null factory
    std::vector<GUID> refusedClasses;    // the factory answers 0x80000004 for these class IDs
    std::vector<GUID> nullClasses;       // the factory answers success with a null object for these
    bool secondInterfaces = true;        // descriptors and property maps answer their second IIDs
    bool pluginDefinition = true;        // the collection answers the plug-in definition IID
};

// What the factory was asked for, and the description of the last collection it made.
struct HostLog {
    std::vector<GUID> requestedClasses;
    std::shared_ptr<Description> lastDescription = std::make_shared<Description>();
};

class HostComponentFactory final : public IACFComponentFactory, public RefCounted {
public:
    HostComponentFactory(const HostConfig& config, std::shared_ptr<HostLog> log);

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING
    int32_t CreateComponent(const GUID& classId, IACFUnknown* outer, const GUID& iid, void** out) override;

private:
    ~HostComponentFactory() override = default;
    RefCounted* make(const GUID& classId);

    HostConfig settings;
    std::shared_ptr<HostLog> hostLog;
};

class HostUnknown final : public IACFUnknown, public RefCounted {
public:
    explicit HostUnknown(const HostConfig& config);

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING

    const std::shared_ptr<HostLog>& log() const { return hostLog; }

private:
    ~HostUnknown() override;

    HostConfig settings;
    std::shared_ptr<HostLog> hostLog;
    HostComponentFactory* factory;  // one reference, ours
};

}  // namespace simhost
