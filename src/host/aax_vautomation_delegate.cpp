// Automation delegate proxy: parameters' touch, value and release traffic to the host's service.
#include "host/aax_vautomation_delegate.h"

#include "acf/result_codes.h"
#include "host/host_iids.h"
#include "host/host_query.h"

AAX_VAutomationDelegate::AAX_VAutomationDelegate(IACFUnknown* hostUnknown)
    : automation(queryHostInterface<IHostAutomation>(hostUnknown, IID_HostAutomation)) {}

AAX_VAutomationDelegate::~AAX_VAutomationDelegate() {
    if (automation) automation->Release();
}

int32_t AAX_VAutomationDelegate::RegisterControl(const char* id) {
    return automation ? automation->RegisterParameter(id) : kResultNotImplemented;
}

int32_t AAX_VAutomationDelegate::UnregisterControl(const char* id) {
    return automation ? automation->UnregisterParameter(id) : kResultNotImplemented;
}

int32_t AAX_VAutomationDelegate::PostSetValueRequest(const char* id, double normalized) {
    return automation ? automation->PostSetValueRequest(id, normalized) : kResultNotImplemented;
}

int32_t AAX_VAutomationDelegate::PostCurrentValue(const char* id, double normalized) {
    return automation ? automation->PostCurrentValue(id, normalized) : kResultNotImplemented;
}

int32_t AAX_VAutomationDelegate::PostTouchRequest(const char* id) {
    return automation ? automation->PostTouchRequest(id) : kResultNotImplemented;
}

int32_t AAX_VAutomationDelegate::PostReleaseRequest(const char* id) {
    return automation ? automation->PostReleaseRequest(id) : kResultNotImplemented;
}

int32_t AAX_VAutomationDelegate::Slot7(const char* id, uint32_t* a) {
    return automation ? automation->Entry9(id, a) : kResultNotImplemented;
}
