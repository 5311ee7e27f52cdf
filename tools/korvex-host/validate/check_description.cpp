// description: what a host learns when it registers the module must be complete and the same every
// time: the effect, both components with every render-context field, MIDI nodes and properties.
#include <cstdio>
#include <string>

#include "simhost/description.h"
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/session.h"
#include "util/four_char_code.h"

namespace korvex_validate {
namespace {

using simhost::ComponentDescription;
using simhost::ContextField;
using simhost::FieldKind;

constexpr char kEffectId[] = "com.tolm-lab.aax.korvex";
constexpr int32_t kMono = 1;
constexpr int32_t kStereo = 65538;
constexpr uint64_t kSdkVersion = 0x000002000061125CULL;

struct ExpectedField {
    uint32_t index;
    FieldKind kind;
    uint32_t size;
    int32_t nodeKind;
    const char* name;
};

// What a host must build for each render context; sizes are those of the data ports.
constexpr ExpectedField kFields[] = {
    {0, FieldKind::AudioInput, 0, 0, ""},
    {1, FieldKind::DataPort, 4, 0, ""},
    {2, FieldKind::AudioOutput, 0, 0, ""},
    {3, FieldKind::DataPort, 4, 0, ""},
    {4, FieldKind::HostFilled, 0, 0, ""},
    {5, FieldKind::BufferLength, 0, 0, ""},
    {6, FieldKind::DataPort, 4, 0, ""},
    {7, FieldKind::DataPort, 8, 0, ""},
    {8, FieldKind::DataPort, 4, 0, ""},
    {9, FieldKind::MidiNode, 0, 3, "AAX_Bandclearer_MIDITrnsprt"},
    {10, FieldKind::MidiNode, 0, 0, "K.O.R.V.E.X"},
};

std::string formatName(int32_t format) { return format == kMono ? "mono" : "stereo"; }

void checkFields(CheckContext& context, const ComponentDescription& component, const std::string& which) {
    for (const ExpectedField& expected : kFields) {
        int seen = 0;
        for (const ContextField& field : component.fields) {
            if (field.index != expected.index) continue;
            ++seen;
            const std::string where = which + " component, context field " + std::to_string(field.index);
            if (field.kind != expected.kind) {
                context.fail(where + " is registered as " + simhost::fieldKindName(field.kind) + ", not " +
                             simhost::fieldKindName(expected.kind));
                continue;
            }
            if (field.kind == FieldKind::DataPort && (field.size != expected.size || field.portKind != 1))
                context.fail(where + " is a data port of " + std::to_string(field.size) + " bytes and kind " +
                             std::to_string(field.portKind) + ", not " + std::to_string(expected.size) + " bytes of kind 1");
            if (field.kind == FieldKind::MidiNode &&
                (field.nodeKind != expected.nodeKind || field.name != expected.name || field.channelMask != 0xFFFF))
                context.fail(where + " is the MIDI node \"" + field.name + "\" of kind " + std::to_string(field.nodeKind) +
                             ", not \"" + expected.name + "\" of kind " + std::to_string(expected.nodeKind) +
                             " for all sixteen channels");
        }
        if (seen != 1)
            context.fail(which + " component registers context field " + std::to_string(expected.index) + " " +
                         std::to_string(seen) + " times");
    }
    if (component.fields.size() != std::size(kFields))
        context.fail(which + " component registers " + std::to_string(component.fields.size()) +
                     " context fields, not " + std::to_string(std::size(kFields)));
}

void checkProperties(CheckContext& context, const ComponentDescription& component, int32_t format) {
    const std::string which = formatName(format) + " component";
    const bool mono = format == kMono;
    const struct {
        int32_t id;
        int32_t value;
        const char* what;
    } expected[] = {
        {11, fourCharCode("Tolm"), "manufacturer ID"},
        {12, fourCharCode("QpTz"), "product ID"},
        {13, mono ? fourCharCode("mKan") : fourCharCode("sKan"), "plug-in ID"},
        {14, mono ? fourCharCode("mKaa") : fourCharCode("sKaa"), "second plug-in ID"},
        {51, format, "input stem format"},
        {52, format, "output stem format"},
        {60, 1, "property 60"},
    };
    for (const auto& property : expected) {
        const std::optional<int32_t> value = component.property(property.id);
        if (!value)
            context.fail(which + " lacks its " + property.what + " (property " + std::to_string(property.id) + ")");
        else if (*value != property.value)
            context.fail(which + ": " + property.what + " is " + std::to_string(*value) + ", not " +
                         std::to_string(property.value));
    }
    if (!component.hasRenderCallback || !component.renderCallback)
        context.fail(which + " has no render callback");
}

bool sameDescription(const simhost::EffectDescription& a, const simhost::EffectDescription& b) {
    if (a.id != b.id || a.names != b.names || a.category != b.category || a.components.size() != b.components.size() ||
        a.factories.size() != b.factories.size())
        return false;
    for (size_t i = 0; i < a.components.size(); ++i) {
        const ComponentDescription &x = a.components[i], &y = b.components[i];
        if (x.fields.size() != y.fields.size() || x.properties.size() != y.properties.size() ||
            x.renderCallback != y.renderCallback)
            return false;
        for (size_t k = 0; k < x.properties.size(); ++k)
            if (x.properties[k].id != y.properties[k].id || x.properties[k].value != y.properties[k].value) return false;
    }
    return true;
}

}  // namespace

void checkDescription(CheckContext& context) {
    Session& session = context.session();
    simhost::SimHost& host = session.host();
    const simhost::Description first = host.description();

    if (first.manufacturer != "TOLM-lab") context.fail("manufacturer \"" + first.manufacturer + "\", not \"TOLM-lab\"");
    if (first.packageNames != std::vector<std::string>{"K.O.R.V.E.X", "KORVEX", "KVX"})
        context.fail("the package names are not K.O.R.V.E.X, KORVEX, KVX");
    if (first.packageVersion != 1) context.fail("package version " + std::to_string(first.packageVersion) + ", not 1");

    const simhost::EffectDescription* effect = first.effect(kEffectId);
    if (!effect) context.abort(std::string("no effect registered under \"") + kEffectId + "\"");
    if (effect->names != std::vector<std::string>{"K.O.R.V.E.X", "KORVEX", "KVX"})
        context.fail("the effect's names are not K.O.R.V.E.X, KORVEX, KVX");
    if (effect->category != 0x2000) context.fail("category bits " + std::to_string(effect->category) + ", not 0x2000");
    for (int32_t kind : {0, 1})
        if (!effect->factory(kind) || !effect->factory(kind)->function)
            context.fail(std::string("no ") + (kind == 0 ? "parameters" : "editor") + " factory (kind " +
                         std::to_string(kind) + ")");

    bool seen[2] = {false, false};
    for (const ComponentDescription& component : effect->components) {
        const int32_t format = component.stemFormat();
        if (format != kMono && format != kStereo) {
            context.fail("a component with stem format " + std::to_string(format));
            continue;
        }
        bool& once = seen[format == kMono ? 0 : 1];
        if (once) context.fail("the " + formatName(format) + " component is registered twice");
        once = true;
        checkFields(context, component, formatName(format));
        checkProperties(context, component, format);
    }
    if (!seen[0]) context.fail("no mono component (stem format 1)");
    if (!seen[1]) context.fail("no stereo component (stem format 65538)");

    uint64_t version = 0;
    host.entries().getSDKVersion(&version);
    if (version != kSdkVersion) {
        char text[64];
        std::snprintf(text, sizeof text, "ACFGetSDKVersion gives 0x%016llX", static_cast<unsigned long long>(version));
        context.fail(text);
    }

    // A host may register any number of times; the module keeps nothing between registrations.
    host.describe();
    const simhost::EffectDescription* again = host.description().effect(kEffectId);
    if (!again || !sameDescription(*effect, *again)) context.fail("a second registration describes the effect differently");
    if (const int32_t alive = host.canUnloadNow(); alive != 0)
        context.fail("ACFCanUnloadNow answers " + std::to_string(alive) + " after registering, with no instance made");
    context.figure("components", static_cast<double>(effect->components.size()));
}

}  // namespace korvex_validate
