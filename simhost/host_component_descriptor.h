// The simulated host's component descriptor: builds one component's description until Clear.
#pragma once

#include "host/host_interfaces.h"
#include "simhost/call_recorder.h"
#include "simhost/description.h"
#include "simhost/host_object.h"

namespace simhost {

class HostComponentDescriptor final : public IHostComponentDescriptorV2, public RefCounted {
public:
    explicit HostComponentDescriptor(bool offerSecondInterface);

    int32_t QueryInterface(const GUID& iid, void** out) override;
    SIMHOST_REFCOUNTING
    int32_t Clear() override;
    int32_t Entry4(uint32_t a) override;
    int32_t AddAudioIn(uint32_t field) override;
    int32_t AddAudioOut(uint32_t field) override;
    int32_t AddAudioBufferLength(uint32_t field) override;
    int32_t Entry8(uint32_t field) override;
    int32_t Entry9(uint32_t field) override;
    int32_t AddComponentOperation7(uint32_t field) override;
    int32_t AddDataInPort(uint32_t field, uint32_t size, int32_t kind) override;
    int32_t Entry12(uint32_t a, uint32_t b) override;
    int32_t Entry13(uint32_t a, uint32_t b) override;
    int32_t Entry14(uint32_t a, uint32_t b) override;
    int32_t AddMIDINode(uint32_t field, int32_t nodeKind, const char* name, uint32_t channelMask) override;
    int32_t AddProcessProc(void* renderCallback, IACFUnknown* propertyMap, void* a, void* b, void* c) override;
    int32_t Entry17(void* a, IACFUnknown* b) override;
    int32_t Entry18(uint32_t a, uint32_t b) override;
    int32_t Entry19(uint32_t a, uint32_t b) override;

    // What attaching the component now would hand over.
    const ComponentDescription& current() const { return component; }
    CallRecorder& recorder() { return calls; }

private:
    ~HostComponentDescriptor() override = default;
    int32_t addField(int entry, ContextField field);

    bool secondInterface;
    ComponentDescription component;
    CallRecorder calls;
};

}  // namespace simhost
