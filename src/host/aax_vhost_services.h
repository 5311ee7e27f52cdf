// Proxy onto the host's services object, kept by the module from start-up to shut-down.
#pragma once

#include "acf/acf_types.h"
#include "host/aax_ihost_services.h"
#include "host/host_interfaces.h"
#include "host/host_reference.h"

class AAX_VHostServices final : public AAX_IHostServices {
public:
    explicit AAX_VHostServices(IACFUnknown* hostUnknown);
    AAX_VHostServices(const AAX_VHostServices&) = delete;
    AAX_VHostServices& operator=(const AAX_VHostServices&) = delete;
    ~AAX_VHostServices() override = default;

    int32_t Slot1(const char* a, const char* b, int32_t c) override;
    int32_t Slot2(const char* text) override;

    IHostServices* hostInterface() const { return services.get(); }

private:
    HostReference<IHostServices> services;
};
