// The effect description as the simulated host received it, as plain data.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace simhost {

// How a render-context field was registered.
enum class FieldKind { AudioInput, AudioOutput, BufferLength, HostFilled, DataPort, MidiNode };
const char* fieldKindName(FieldKind kind);

struct ContextField {
    uint32_t index = 0;
    FieldKind kind = FieldKind::AudioInput;
    uint32_t size = 0;        // data ports
    int32_t portKind = 0;     // data ports
    int32_t nodeKind = 0;     // MIDI nodes
    std::string name;         // MIDI nodes
    uint32_t channelMask = 0; // MIDI nodes
};

struct Property {
    int32_t id = 0;
    int32_t value = 0;
};

// A property list in the order the module added the properties.
std::optional<int32_t> findProperty(const std::vector<Property>& properties, int32_t id);

struct ComponentDescription {
    std::vector<ContextField> fields;      // in registration order
    std::vector<Property> properties;      // of the map given with the render callback
    void* renderCallback = nullptr;
    bool hasRenderCallback = false;

    std::optional<int32_t> property(int32_t id) const { return findProperty(properties, id); }
    // Property 51 (input stem format), or 0 when the component has none.
    int32_t stemFormat() const { return property(51).value_or(0); }
};

// Factory callbacks and resource entries share one sequence: `position` orders them.
struct FactoryCallback {
    void* function = nullptr;
    int32_t kind = 0;
    int position = 0;
};

struct ResourceEntry {
    int32_t kind = 0;
    std::string text;
    int position = 0;
};

struct EffectDescription {
    std::string id;
    std::vector<std::string> names;
    uint32_t category = 0;
    std::vector<ComponentDescription> components;  // in attach order
    std::vector<FactoryCallback> factories;
    std::vector<ResourceEntry> resources;

    const FactoryCallback* factory(int32_t kind) const;
};

struct Description {
    std::string manufacturer;
    std::vector<std::string> packageNames;
    uint32_t packageVersion = 0;
    std::vector<Property> properties;  // given to the collection itself
    std::vector<EffectDescription> effects;

    const EffectDescription* effect(const std::string& id) const;
};

}  // namespace simhost
