// Effect-parameters base: lifecycle, notifications, packets and the slots the module does not offer.
#include "parameters/aax_ceffect_parameters.h"

#include <cstring>
#include <utility>

#include "host/aax_vautomation_delegate.h"
#include "host/aax_vcontroller.h"
#include "host/aax_vtransport.h"
#include "parameters/aax_iparameter.h"

AAX_CEffectParameters::AAX_CEffectParameters() : parametersOwned(std::make_unique<ParameterManager>()) {
    parameters.store(parametersOwned.get(), std::memory_order_release);
}

AAX_CEffectParameters::~AAX_CEffectParameters() {
    filteredIds.clear();
    dispatcher.setController(nullptr);
    parameters.store(&noParameters, std::memory_order_release);
    // Parameters unregister from the automation delegate as they go, so they go before the proxies.
    parametersOwned.reset();
    controllerProxy.reset();
    automationProxy.reset();
    transportProxy.reset();
}

int32_t AAX_CEffectParameters::Initialize(IACFUnknown* hostUnknown) {
    // Nothing thrown may cross into the host, a failed allocation least of all.
    try {
        // A second Initialize starts over: replacing the proxies under live parameters would leave
        // them holding a deleted automation delegate.
        if (controllerProxy || automationProxy || transportProxy) Uninitialize();

        controllerProxy = std::make_unique<AAX_VController>(hostUnknown);
        automationProxy = std::make_unique<AAX_VAutomationDelegate>(hostUnknown);
        transportProxy = std::make_unique<AAX_VTransport>(hostUnknown);

        // Other threads read no list while this one is filled.
        parameters.store(&noParameters, std::memory_order_release);
        parametersOwned->setAutomationDelegate(automationProxy.get());
        dispatcher.setEffectParameters(this);

        const int32_t effectResult = InitializeEffect();
        // Only a complete parameter list is read on other threads: the host's slots see none
        // until now, and the dispatcher's passes post nothing without a controller.
        parameters.store(parametersOwned.get(), std::memory_order_release);
        dispatcher.setController(controllerProxy.get());
        if (effectResult != kResultSuccess) return effectResult;

        AAX_CString bypassId;
        GetMasterBypassID(&bypassId);
        filteredIds.insert(bypassId.StdString());
        return kResultSuccess;
    } catch (...) {
        return kAcfUnexpected;
    }
}

std::unique_ptr<AAX_CEffectParameters::InstanceState> AAX_CEffectParameters::detachInstanceState() {
    auto state = std::make_unique<InstanceState>();
    auto fresh = std::make_unique<ParameterManager>();
    // A dispatcher pass reads the parameters and the controller under this lock (it may be on
    // the host's thread): it sees the old set whole or the new one.
    dispatcher.whileLocked([&] {
        dispatcher.setController(nullptr);
        parameters.store(&noParameters, std::memory_order_release);
        state->parameters = std::exchange(parametersOwned, std::move(fresh));
    });
    state->controller = std::move(controllerProxy);
    state->automation = std::move(automationProxy);
    state->transport = std::move(transportProxy);
    return state;
}

int32_t AAX_CEffectParameters::Uninitialize() {
    try {
        detachInstanceState().reset();
    } catch (...) {
        return kAcfUnexpected;
    }
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::ReceiveNotification(uint32_t type, const void* data, uint32_t size) {
    if (type != kPreviewNotification) return kResultSuccess;
    // The payload is one 32-bit flag; a shorter or missing one is not read at all.
    if (!data || size < sizeof(int32_t)) return kResultSuccess;
    AAX_IParameter* preview = list()->FindParameter("PreviewID");
    if (!preview) return kResultSuccess;
    int32_t flag = 0;
    std::memcpy(&flag, data, sizeof flag);
    preview->SetValueWithBool(flag != 0);
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::DispatchParameterPackets() { return dispatcher.PostDirtyPackets(); }

int32_t AAX_CEffectParameters::ClearFieldData(uint32_t, void* data, uint32_t size) {
    if (size == 0) return kResultSuccess;
    if (!data) return kResultNotImplemented;
    std::memset(data, 0, size);
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::GetNumberOfChanges(int32_t* changes) const {
    if (!changes) return kResultNotImplemented;
    const int32_t count = changeCount.load(std::memory_order_relaxed);
    if (count >= 0) *changes = count;
    return kResultSuccess;
}

int32_t AAX_CEffectParameters::Slot40(const void*) { return kResultSuccess; }
int32_t AAX_CEffectParameters::Slot41(const void*) { return kResultUnsupported; }
int32_t AAX_CEffectParameters::Slot42(const void*, const void*, const void*, uint32_t* size) const {
    if (size) *size = 0;
    return kResultSuccess;
}
int32_t AAX_CEffectParameters::Slot43(const void*) { return kResultSuccess; }
int32_t AAX_CEffectParameters::Slot44(const void*) { return kResultSuccess; }
int32_t AAX_CEffectParameters::Slot45(const void*) { return kResultUnsupported; }
int32_t AAX_CEffectParameters::Slot46(const void*) { return kResultSuccess; }
int32_t AAX_CEffectParameters::Slot47(const void*) { return kResultSuccess; }

int32_t AAX_CEffectParameters::InitializeEffect() { return kResultSuccess; }
