// `korvex-host describe`: registers the module with the simulated host and prints what it described.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>
#include <stdexcept>
#include <string>

#include "simhost/sim_host.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"
#include "util/four_char_code.h"

namespace {

using simhost::ComponentDescription;
using simhost::ContextField;
using simhost::Description;
using simhost::EffectDescription;
using simhost::FieldKind;

// Properties whose values are four-character codes (manufacturer, product, the two plug-in IDs).
bool isFourCharProperty(int32_t id) { return id >= 11 && id <= 14; }

std::string stemFormatName(int32_t format) {
    if (format == 1) return "mono";
    if (format == 0x00010002) return "stereo";
    return "other";
}

std::string hex(uint32_t value, int digits) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%0*X", digits, value);
    return text;
}

std::string factoryRole(int32_t kind) {
    if (kind == 0) return "effect parameters";
    if (kind == 1) return "editor";
    return "other";
}

std::string propertyText(const simhost::Property& property) {
    if (isFourCharProperty(property.id)) return "'" + fourCharText(property.value) + "'";
    return std::to_string(property.value);
}

std::string fieldText(const ContextField& field) {
    std::string text = std::to_string(field.index) + "  " + simhost::fieldKindName(field.kind);
    if (field.kind == FieldKind::DataPort)
        text += ", size " + std::to_string(field.size) + ", kind " + std::to_string(field.portKind);
    if (field.kind == FieldKind::MidiNode)
        text += ", node kind " + std::to_string(field.nodeKind) + ", \"" + field.name + "\", channels " +
                hex(field.channelMask, 4);
    return text;
}

void printComponent(std::ostream& out, size_t number, const ComponentDescription& component) {
    const int32_t format = component.stemFormat();
    out << "  component " << number << ": stem format " << format << " (" << stemFormatName(format) << ")";
    if (auto first = component.property(13)) out << ", plug-in IDs '" << fourCharText(*first) << "'";
    if (auto second = component.property(14)) out << " '" << fourCharText(*second) << "'";
    out << "\n    fields:\n";
    for (const ContextField& field : component.fields) out << "      " << fieldText(field) << "\n";
    out << "    MIDI nodes:";
    for (const ContextField& field : component.fields)
        if (field.kind == FieldKind::MidiNode) out << " \"" << field.name << "\" (field " << field.index << ")";
    out << "\n    properties:";
    for (const simhost::Property& property : component.properties)
        out << " " << property.id << "=" << propertyText(property);
    out << "\n    render callback: " << (component.hasRenderCallback ? "yes" : "none") << "\n";
}

void printText(std::ostream& out, const Description& description) {
    out << "manufacturer: " << description.manufacturer << "\npackage:";
    for (const std::string& name : description.packageNames) out << " \"" << name << "\"";
    out << ", version " << description.packageVersion << "\n";
    for (const EffectDescription& effect : description.effects) {
        out << "effect " << effect.id << "\n  names:";
        for (const std::string& name : effect.names) out << " \"" << name << "\"";
        out << "\n  category: " << hex(effect.category, 8) << "\n";
        if (!effect.components.empty()) {
            const ComponentDescription& first = effect.components.front();
            if (auto id = first.property(11)) out << "  manufacturer ID: '" << fourCharText(*id) << "'\n";
            if (auto id = first.property(12)) out << "  product ID: '" << fourCharText(*id) << "'\n";
        }
        for (size_t i = 0; i < effect.components.size(); ++i) printComponent(out, i + 1, effect.components[i]);
        out << "  factories and resources:\n";
        // Factories and resources share one registration sequence; print it in that order.
        for (int position = 0;; ++position) {
            bool found = false;
            for (const simhost::FactoryCallback& factory : effect.factories)
                if (factory.position == position) {
                    out << "    factory kind " << factory.kind << " (" << factoryRole(factory.kind) << ")\n";
                    found = true;
                }
            for (const simhost::ResourceEntry& resource : effect.resources)
                if (resource.position == position) {
                    out << "    resource kind " << resource.kind << " \"" << resource.text << "\"\n";
                    found = true;
                }
            if (!found) break;
        }
    }
}

nlohmann::json fieldJson(const ContextField& field) {
    nlohmann::json json{{"index", field.index}, {"kind", simhost::fieldKindName(field.kind)}};
    if (field.kind == FieldKind::DataPort) {
        json["size"] = field.size;
        json["portKind"] = field.portKind;
    }
    if (field.kind == FieldKind::MidiNode) {
        json["nodeKind"] = field.nodeKind;
        json["name"] = field.name;
        json["channelMask"] = field.channelMask;
    }
    return json;
}

nlohmann::json componentJson(const ComponentDescription& component) {
    nlohmann::json json{{"stemFormat", component.stemFormat()},
                        {"stemFormatName", stemFormatName(component.stemFormat())},
                        {"renderCallback", component.hasRenderCallback}};
    nlohmann::json pluginIds = nlohmann::json::array();
    for (int32_t id : {13, 14})
        if (auto value = component.property(id)) pluginIds.push_back(fourCharText(*value));
    json["pluginIds"] = pluginIds;
    json["fields"] = nlohmann::json::array();
    json["midiNodes"] = nlohmann::json::array();
    for (const ContextField& field : component.fields) {
        json["fields"].push_back(fieldJson(field));
        if (field.kind == FieldKind::MidiNode) json["midiNodes"].push_back(fieldJson(field));
    }
    json["properties"] = nlohmann::json::array();
    for (const simhost::Property& property : component.properties) {
        nlohmann::json entry{{"id", property.id}, {"value", property.value}};
        if (isFourCharProperty(property.id)) entry["text"] = fourCharText(property.value);
        json["properties"].push_back(entry);
    }
    return json;
}

nlohmann::json descriptionJson(const Description& description) {
    nlohmann::json json{{"manufacturer", description.manufacturer},
                        {"packageNames", description.packageNames},
                        {"packageVersion", description.packageVersion},
                        {"effects", nlohmann::json::array()}};
    for (const EffectDescription& effect : description.effects) {
        nlohmann::json entry{{"id", effect.id}, {"names", effect.names}, {"category", effect.category}};
        if (!effect.components.empty()) {
            const ComponentDescription& first = effect.components.front();
            if (auto id = first.property(11)) entry["manufacturerId"] = fourCharText(*id);
            if (auto id = first.property(12)) entry["productId"] = fourCharText(*id);
        }
        entry["components"] = nlohmann::json::array();
        for (const ComponentDescription& component : effect.components)
            entry["components"].push_back(componentJson(component));
        entry["factories"] = nlohmann::json::array();
        for (const simhost::FactoryCallback& factory : effect.factories)
            entry["factories"].push_back(
                {{"kind", factory.kind}, {"role", factoryRole(factory.kind)}, {"position", factory.position}});
        entry["resources"] = nlohmann::json::array();
        for (const simhost::ResourceEntry& resource : effect.resources)
            entry["resources"].push_back(
                {{"kind", resource.kind}, {"text", resource.text}, {"position", resource.position}});
        json["effects"].push_back(entry);
    }
    return json;
}

}  // namespace

void addDescribeCommand(CLI::App& app) {
    auto* command = app.add_subcommand("describe", "print the effect description the module registers");
    static bool asJson = false;
    command->add_flag("--json", asJson, "print JSON instead of text");
    command->callback([] {
        korvex_host::installFaultReport("describe");
        // The description is the module's own, but a --vst given is the user's request: a wrong
        // one is refused rather than ignored, and a right one is installed as for any command.
        std::optional<simhost::VstInstall> install;
        if (!hostOptions().vstPath.empty()) {
            const std::string library = korvex_host::vstLibraryPath(hostOptions().vstPath);
            if (const std::string problem = korvex_host::vstLibraryProblem(library); !problem.empty())
                throw std::runtime_error(problem);
            install.emplace(simhost::VstInstall::forPath(library));
        }
        simhost::SimHost host(hostOptions().modulePath);
        if (const int32_t result = host.startup(); result != kResultSuccess)
            throw simhost::HostError("ACFStartup failed with " + simhost::resultText(result));
        const Description& description = host.describe();
        if (asJson) {
            // A plug-in may name things in any bytes: invalid UTF-8 becomes U+FFFD rather than an exception.
            std::cout << descriptionJson(description).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        } else {
            printText(std::cout, description);
        }
        host.shutdown();
    });
}
