// HostEffectDescriptor: every entry is recorded; scripted failures skip the entry's work.
#include "simhost/host_effect_descriptor.h"

#include "host/host_iids.h"
#include "simhost/host_component_descriptor.h"

namespace simhost {

HostEffectDescriptor::HostEffectDescriptor(bool offerSecondInterface) : secondInterface(offerSecondInterface) {}

int32_t HostEffectDescriptor::QueryInterface(const GUID& iid, void** out) {
    const bool matches = iid == IID_IACFUnknown || iid == IID_HostEffectDescriptor ||
                         (secondInterface && iid == IID_HostEffectDescriptorV2);
    return answerQuery(this, static_cast<IHostEffectDescriptorV2*>(this), matches, out);
}

int32_t HostEffectDescriptor::AddComponent(IACFUnknown* componentDescriptor) {
    calls.record(3, componentDescriptor);
    if (int32_t scripted = calls.resultFor(3)) return scripted;
    // Attaching copies the descriptor's contents now; later changes to it belong to the next attach.
    auto* component = dynamic_cast<HostComponentDescriptor*>(componentDescriptor);
    if (!component) return kAcfNoInterface;
    effect.components.push_back(component->current());
    return kResultSuccess;
}

int32_t HostEffectDescriptor::AddName(const char* name) {
    calls.record(4, name);
    if (int32_t scripted = calls.resultFor(4)) return scripted;
    effect.names.emplace_back(name ? name : "");
    return kResultSuccess;
}

int32_t HostEffectDescriptor::AddCategory(uint32_t bits) {
    calls.record(5, bits);
    if (int32_t scripted = calls.resultFor(5)) return scripted;
    effect.category |= bits;
    return kResultSuccess;
}

int32_t HostEffectDescriptor::Entry6(uint32_t value, const char* text) {
    calls.record(6, value, text);
    return calls.resultFor(6);
}

int32_t HostEffectDescriptor::AddProcPtr(void* function, int32_t kind) {
    calls.record(7, function, kind);
    if (int32_t scripted = calls.resultFor(7)) return scripted;
    effect.factories.push_back({function, kind, nextPosition++});
    return kResultSuccess;
}

int32_t HostEffectDescriptor::Entry8(IACFUnknown* argument) {
    calls.record(8, argument);
    return calls.resultFor(8);
}

int32_t HostEffectDescriptor::AddResourceInfo(int32_t kind, const char* text) {
    calls.record(9, kind, text);
    if (int32_t scripted = calls.resultFor(9)) return scripted;
    effect.resources.push_back({kind, text ? text : "", nextPosition++});
    return kResultSuccess;
}

int32_t HostEffectDescriptor::Entry10(int32_t a, const char* b) {
    calls.record(10, a, b);
    return calls.resultFor(10);
}

int32_t HostEffectDescriptor::Entry11(int32_t a, int32_t b, int32_t c, const char* d) {
    calls.record(11, a, b, c, d);
    return calls.resultFor(11);
}

}  // namespace simhost
