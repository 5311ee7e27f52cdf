// The module's view of the host's window for the editor: slot n reaches host entry n + 2.
#pragma once

#include <cstdint>

#include "acf/acf_types.h"
#include "host/aax_iview_container.h"
#include "host/host_interfaces.h"

class AAX_VViewContainer : public AAX_IViewContainer {
public:
    // Asks the unknown (null is fine) for the view container; keeps the reference the query added.
    explicit AAX_VViewContainer(IACFUnknown* hostUnknown);
    ~AAX_VViewContainer() override;
    AAX_VViewContainer(const AAX_VViewContainer&) = delete;
    AAX_VViewContainer& operator=(const AAX_VViewContainer&) = delete;

    int32_t GetContainerKind() override;
    void* GetNativeView() override;
    int32_t Slot3(uint32_t* a) override;
    int32_t Slot4(const void* a, void* b) override;
    int32_t Slot5(const void* a, void* b) override;
    int32_t Slot6(const char* a, uint32_t b) override;
    int32_t Slot7(const char* a) override;

private:
    IHostViewContainer* container = nullptr;
};
