// The per-instance host unknown the simulated host hands the module's effect parameters and
// editor: it answers each service's IIDs by asking that service.
#pragma once

#include <utility>
#include <vector>

#include "acf/acf_types.h"
#include "simhost/host_object.h"
#include "simhost/sim_automation.h"
#include "simhost/sim_controller.h"
#include "simhost/sim_transport_service.h"
#include "simhost/sim_view_container.h"

namespace simhost {

// Any of them may be null: the unknown then does not answer that service's IIDs.
struct InstanceServices {
    SimController* controller = nullptr;
    SimTransportService* transport = nullptr;
    SimAutomation* automation = nullptr;
    SimViewContainer* viewContainer = nullptr;
    // Further objects, each answering its IID through its own QueryInterface (the module's
    // effect parameters for the editor, say).
    std::vector<std::pair<GUID, IACFUnknown*>> extras;
};

class SimInstanceUnknown final : public IACFUnknown, public RefCounted {
public:
    // Holds one reference to each object given until it is destroyed itself.
    explicit SimInstanceUnknown(const InstanceServices& services);

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING

private:
    ~SimInstanceUnknown() override;
    void route(const GUID& iid, IACFUnknown* object);
    void hold(IACFUnknown* object);

    std::vector<std::pair<GUID, IACFUnknown*>> routes;
    std::vector<IACFUnknown*> held;
};

}  // namespace simhost
