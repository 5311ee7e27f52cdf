// HostComponentDescriptor: every entry is recorded; scripted failures skip the entry's work.
#include "simhost/host_component_descriptor.h"

#include "host/host_iids.h"
#include "simhost/host_property_map.h"

namespace simhost {
namespace {

ContextField makeField(uint32_t index, FieldKind kind) {
    ContextField field;
    field.index = index;
    field.kind = kind;
    return field;
}

}  // namespace

HostComponentDescriptor::HostComponentDescriptor(bool offerSecondInterface) : secondInterface(offerSecondInterface) {}

int32_t HostComponentDescriptor::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostComponentDescriptor ||
                         (secondInterface && iid == IID_HostComponentDescriptorV2);
    return answerQuery(this, static_cast<IHostComponentDescriptorV2*>(this), matches, out);
}

int32_t HostComponentDescriptor::addField(int entry, ContextField field) {
    if (int32_t scripted = calls.resultFor(entry)) return scripted;
    component.fields.push_back(std::move(field));
    return kResultSuccess;
}

int32_t HostComponentDescriptor::Clear() {
    calls.record(3);
    if (int32_t scripted = calls.resultFor(3)) return scripted;
    component = ComponentDescription{};
    return kResultSuccess;
}

int32_t HostComponentDescriptor::Entry4(uint32_t a) {
    calls.record(4, a);
    return calls.resultFor(4);
}

int32_t HostComponentDescriptor::AddAudioIn(uint32_t field) {
    calls.record(5, field);
    return addField(5, makeField(field, FieldKind::AudioInput));
}

int32_t HostComponentDescriptor::AddAudioOut(uint32_t field) {
    calls.record(6, field);
    return addField(6, makeField(field, FieldKind::AudioOutput));
}

int32_t HostComponentDescriptor::AddAudioBufferLength(uint32_t field) {
    calls.record(7, field);
    return addField(7, makeField(field, FieldKind::BufferLength));
}

int32_t HostComponentDescriptor::Entry8(uint32_t field) {
    calls.record(8, field);
    return calls.resultFor(8);
}

int32_t HostComponentDescriptor::Entry9(uint32_t field) {
    calls.record(9, field);
    return calls.resultFor(9);
}

int32_t HostComponentDescriptor::AddComponentOperation7(uint32_t field) {
    calls.record(10, field);
    return addField(10, makeField(field, FieldKind::HostFilled));
}

int32_t HostComponentDescriptor::AddDataInPort(uint32_t field, uint32_t size, int32_t kind) {
    calls.record(11, field, size, kind);
    ContextField port = makeField(field, FieldKind::DataPort);
    port.size = size;
    port.portKind = kind;
    return addField(11, std::move(port));
}

int32_t HostComponentDescriptor::Entry12(uint32_t a, uint32_t b) {
    calls.record(12, a, b);
    return calls.resultFor(12);
}

int32_t HostComponentDescriptor::Entry13(uint32_t a, uint32_t b) {
    calls.record(13, a, b);
    return calls.resultFor(13);
}

int32_t HostComponentDescriptor::Entry14(uint32_t a, uint32_t b) {
    calls.record(14, a, b);
    return calls.resultFor(14);
}

int32_t HostComponentDescriptor::AddMIDINode(uint32_t field, int32_t nodeKind, const char* name,
                                             uint32_t channelMask) {
    calls.record(15, field, nodeKind, name, channelMask);
    ContextField node = makeField(field, FieldKind::MidiNode);
    node.nodeKind = nodeKind;
    node.name = name ? name : "";
    node.channelMask = channelMask;
    return addField(15, std::move(node));
}

int32_t HostComponentDescriptor::AddProcessProc(void* renderCallback, IACFUnknown* propertyMap, void* a, void* b,
                                                void* c) {
    calls.record(16, renderCallback, propertyMap, a, b, c);
    if (int32_t scripted = calls.resultFor(16)) return scripted;
    // The map's contents now are what the component carries; the host keeps no reference to it.
    auto* map = dynamic_cast<HostPropertyMap*>(propertyMap);
    component.properties = map ? map->properties() : std::vector<Property>{};
    component.renderCallback = renderCallback;
    component.hasRenderCallback = true;
    return kResultSuccess;
}

int32_t HostComponentDescriptor::Entry17(void* a, IACFUnknown* b) {
    calls.record(17, a, b);
    return calls.resultFor(17);
}

int32_t HostComponentDescriptor::Entry18(uint32_t a, uint32_t b) {
    calls.record(18, a, b);
    return calls.resultFor(18);
}

int32_t HostComponentDescriptor::Entry19(uint32_t a, uint32_t b) {
    calls.record(19, a, b);
    return calls.resultFor(19);
}

}  // namespace simhost
