// AAX_VComponentDescriptor: slot n forwards to its host entry; see the interface for the mapping.
#include "host/aax_vcomponent_descriptor.h"

#include <new>

#include "acf/result_codes.h"
#include "host/host_component.h"
#include "host/host_iids.h"

namespace {
// Properties a copied map carries: the identifying and format range, nothing host-private.
constexpr int32_t kFirstCopiedProperty = 10;
constexpr int32_t kLastCopiedProperty = 307;
}  // namespace

AAX_VComponentDescriptor::AAX_VComponentDescriptor(IACFUnknown* unknown) {
    hostUnknown.hold(unknown);
    descriptor.adopt(createHostComponent(unknown, CLSID_HostComponentDescriptor, IID_HostComponentDescriptor));
    descriptorV2.adopt(queryHostInterface(descriptor.get(), IID_HostComponentDescriptorV2));
}

AAX_VComponentDescriptor::~AAX_VComponentDescriptor() {
    propertyMaps.clear();
    descriptorV2.reset();
    descriptor.reset();
    hostUnknown.reset();
}

int32_t AAX_VComponentDescriptor::Clear() {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Clear();
}

int32_t AAX_VComponentDescriptor::AddAudioInputField(uint32_t field) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddAudioIn(field);
}

int32_t AAX_VComponentDescriptor::AddAudioOutputField(uint32_t field) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddAudioOut(field);
}

int32_t AAX_VComponentDescriptor::AddBufferLengthField(uint32_t field) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddAudioBufferLength(field);
}

int32_t AAX_VComponentDescriptor::Slot5(uint32_t field) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry8(field);
}

int32_t AAX_VComponentDescriptor::Slot6(uint32_t field) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry9(field);
}

int32_t AAX_VComponentDescriptor::ComponentOperation7(uint32_t field) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddComponentOperation7(field);
}

int32_t AAX_VComponentDescriptor::AddDataPortField(uint32_t field, uint32_t size, int32_t kind) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddDataInPort(field, size, kind);
}

int32_t AAX_VComponentDescriptor::Slot9(uint32_t a, uint32_t b) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry12(a, b);
}

int32_t AAX_VComponentDescriptor::Slot10(uint32_t a, uint32_t b) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry13(a, b);
}

int32_t AAX_VComponentDescriptor::Slot11(uint32_t a, uint32_t b) {
    if (!descriptorV2) return kResultUnsupported;
    return descriptorV2->Entry19(a, b);
}

int32_t AAX_VComponentDescriptor::Slot12(uint32_t a, uint32_t b) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry14(a, b);
}

int32_t AAX_VComponentDescriptor::Slot13(uint32_t a, uint32_t b) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry18(a, b);
}

int32_t AAX_VComponentDescriptor::AddMidiNodeField(uint32_t field, int32_t nodeKind, const char* name,
                                                   uint32_t channelMask) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddMIDINode(field, nodeKind, name, channelMask);
}

int32_t AAX_VComponentDescriptor::Slot15(uint32_t a) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry4(a);
}

AAX_IPropertyMap* AAX_VComponentDescriptor::CreatePropertyMap() {
    std::unique_ptr<AAX_VPropertyMap> map(new (std::nothrow) AAX_VPropertyMap(hostUnknown.get()));
    if (!map) return nullptr;
    AAX_VPropertyMap* made = map.get();
    propertyMaps.insert(std::move(map));
    return made;
}

AAX_IPropertyMap* AAX_VComponentDescriptor::CopyPropertyMap(AAX_IPropertyMap* source) {
    AAX_IPropertyMap* copy = CreatePropertyMap();
    if (!copy || !source) return copy;
    for (int32_t id = kFirstCopiedProperty; id <= kLastCopiedProperty; ++id) {
        int32_t value = 0;
        if (source->GetProperty(id, &value)) copy->AddProperty(id, value);
    }
    return copy;
}

int32_t AAX_VComponentDescriptor::AddRenderCallback(void* callback, AAX_IPropertyMap* properties, void* a, void* b,
                                                    void* c) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->AddProcessProc(callback, AAX_VPropertyMap::hostInterfaceOf(properties), a, b, c);
}

int32_t AAX_VComponentDescriptor::Slot19(void* a, AAX_IPropertyMap* properties) {
    if (!descriptor) return kResultNotImplemented;
    return descriptor->Entry17(a, AAX_VPropertyMap::hostInterfaceOf(properties));
}

IACFUnknown* AAX_VComponentDescriptor::hostInterfaceOf(AAX_IComponentDescriptor* component) {
    auto* proxy = dynamic_cast<AAX_VComponentDescriptor*>(component);
    return proxy ? proxy->hostInterface() : nullptr;
}
