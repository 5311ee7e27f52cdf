// The module's view of the host automation service: slot n reaches host entry n + 2, or answers -20004.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"
#include "host/aax_iautomation_delegate.h"
#include "host/host_interfaces.h"

class AAX_VAutomationDelegate : public AAX_IAutomationDelegate {
public:
    // Asks the unknown (null is fine) for the automation interface; keeps what it answers.
    explicit AAX_VAutomationDelegate(IACFUnknown* hostUnknown);
    ~AAX_VAutomationDelegate() override;
    AAX_VAutomationDelegate(const AAX_VAutomationDelegate&) = delete;
    AAX_VAutomationDelegate& operator=(const AAX_VAutomationDelegate&) = delete;

    int32_t RegisterControl(const char* id) override;
    int32_t UnregisterControl(const char* id) override;
    int32_t PostSetValueRequest(const char* id, double normalized) override;
    int32_t PostCurrentValue(const char* id, double normalized) override;
    int32_t PostTouchRequest(const char* id) override;
    int32_t PostReleaseRequest(const char* id) override;
    int32_t Slot7(const char* id, uint32_t* a) override;

private:
    IHostAutomation* automation = nullptr;
};
