// Look-ups over a recorded description.
#include "simhost/description.h"

namespace simhost {

const char* fieldKindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::AudioInput: return "audio input";
        case FieldKind::AudioOutput: return "audio output";
        case FieldKind::BufferLength: return "buffer length";
        case FieldKind::HostFilled: return "host-filled";
        case FieldKind::DataPort: return "data port";
        case FieldKind::MidiNode: return "MIDI node";
    }
    return "unknown";
}

std::optional<int32_t> findProperty(const std::vector<Property>& properties, int32_t id) {
    for (const Property& property : properties)
        if (property.id == id) return property.value;
    return std::nullopt;
}

const FactoryCallback* EffectDescription::factory(int32_t kind) const {
    for (const FactoryCallback& callback : factories)
        if (callback.kind == kind) return &callback;
    return nullptr;
}

const EffectDescription* Description::effect(const std::string& effectId) const {
    for (const EffectDescription& described : effects)
        if (described.id == effectId) return &described;
    return nullptr;
}

}  // namespace simhost
