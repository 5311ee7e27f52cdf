// The simulated host's effect descriptor: collects names, category, components and callbacks.
#pragma once

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/description.h"
#include "simhost/host_object.h"

namespace simhost {

class HostEffectDescriptor final : public IHostEffectDescriptorV2, public RefCounted {
public:
    explicit HostEffectDescriptor(bool offerSecondInterface);

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING
    int32_t AddComponent(IACFUnknown* componentDescriptor) override;
    int32_t AddName(const char* name) override;
    int32_t AddCategory(uint32_t bits) override;
    int32_t Entry6(uint32_t value, const char* text) override;
    int32_t AddProcPtr(void* function, int32_t kind) override;
    int32_t Entry8(IACFUnknown* argument) override;
    int32_t AddResourceInfo(int32_t kind, const char* text) override;
    int32_t Entry10(int32_t a, const char* b) override;
    int32_t Entry11(int32_t a, int32_t b, int32_t c, const char* d) override;

    const EffectDescription& current() const { return effect; }
    CallRecorder& recorder() { return calls; }

private:
    ~HostEffectDescriptor() override = default;

    bool secondInterface;
    EffectDescription effect;
    int nextPosition = 0;
    CallRecorder calls;
};

}  // namespace simhost
