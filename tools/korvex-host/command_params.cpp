// `korvex-host params`: the wrapped plug-in's parameters as the host sees them, as a table or JSON.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "simhost/direct_vst_host.h"
#include "vst/vst_types.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"

namespace {

using simhost::ParameterInfo;

std::string typeName(int32_t type) { return type == 0 ? "discrete" : type == 1 ? "continuous" : std::to_string(type); }

// The bypass has the empty ID; quoting every ID keeps that visible.
std::string quoted(const std::string& text) { return "\"" + text + "\""; }

std::string fixed(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.4f", value);
    return text;
}

void printTable(std::ostream& out, const std::vector<ParameterInfo>& parameters) {
    const std::vector<std::string> header{"index", "ID", "name", "steps", "type", "value", "text"};
    std::vector<std::vector<std::string>> rows;
    for (const ParameterInfo& parameter : parameters)
        rows.push_back({std::to_string(parameter.index), quoted(parameter.id), parameter.name,
                        std::to_string(parameter.steps), typeName(parameter.type), fixed(parameter.value),
                        parameter.text});
    std::vector<size_t> widths;
    for (const std::string& title : header) widths.push_back(title.size());
    for (const auto& row : rows)
        for (size_t column = 0; column < row.size(); ++column) widths[column] = std::max(widths[column], row[column].size());
    const auto printRow = [&](const std::vector<std::string>& row) {
        for (size_t column = 0; column < row.size(); ++column) {
            out << row[column];
            if (column + 1 < row.size()) out << std::string(widths[column] - row[column].size() + 2, ' ');
        }
        out << "\n";
    };
    printRow(header);
    for (const auto& row : rows) printRow(row);
}

nlohmann::json tableJson(const std::vector<ParameterInfo>& parameters) {
    nlohmann::json json = nlohmann::json::array();
    for (const ParameterInfo& parameter : parameters)
        json.push_back({{"index", parameter.index},
                        {"id", parameter.id},
                        {"name", parameter.name},
                        {"steps", parameter.steps},
                        {"type", typeName(parameter.type)},
                        {"automatable", parameter.automatable},
                        {"value", parameter.value},
                        {"default", parameter.defaultValue},
                        {"text", parameter.text}});
    return json;
}

// A parameter the plug-in names no ID for (private opcode -14) cannot be offered: host values and
// automation reach parameters by ID, and the empty ID is the master bypass's. A table that
// silently lacks them looks like a plug-in without parameters. The plug-in is asked directly, the
// way the module asks it.
void noteHiddenParameters(const std::string& library) {
    simhost::DirectVstHost probe;
    if (!probe.load(library)) return;
    const int32_t declared = probe.effect()->numParams;
    int32_t hidden = 0;
    for (int32_t index = 0; index < declared; ++index) {
        char id[64] = {};
        probe.dispatch(kPrivateGetParamID, index, 32, id);
        if (id[0] == '\0') ++hidden;
    }
    if (hidden == 0) return;
    std::cerr << "korvex-host: note: " << hidden << " of the plug-in's " << declared
              << " parameters are not offered to the host: the plug-in names no parameter ID for them (private "
                 "opcode -14), and host values and automation reach parameters by ID\n";
}

}  // namespace

void addParamsCommand(CLI::App& app) {
    auto* command = app.add_subcommand("params", "print the wrapped plug-in's parameter table");
    static bool asJson = false;
    command->add_flag("--json", asJson, "print JSON instead of a table");
    command->callback([] {
        korvex_host::installFaultReport("params");
        korvex_host::EffectSession session(simhost::InstanceOptions{});
        std::vector<ParameterInfo> parameters;
        {
            korvex_host::FaultScope scope("the plug-in's parameter answers, through the module's parameter slots");
            parameters = session.instance().parameterList();
        }
        noteHiddenParameters(session.libraryPath());
        if (asJson)
            // A plug-in may name things in any bytes: invalid UTF-8 becomes U+FFFD rather than an exception.
            std::cout << tableJson(parameters).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << "\n";
        else
            printTable(std::cout, parameters);
    });
}
