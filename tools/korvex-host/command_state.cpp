// `korvex-host state save F` / `state load F`: the wrapped plug-in's chunk through the host's chunk calls.
#include <CLI/CLI.hpp>

#include <iostream>
#include <string>
#include <vector>

#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/effect_session.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/output_file.h"

void addStateCommand(CLI::App& app) {
    auto* command = app.add_subcommand("state", "save or load the plug-in's chunk");
    command->require_subcommand(1);

    auto* save = command->add_subcommand("save", "write the chunk of a fresh instance (after any --set) to FILE");
    static std::string saveFile;
    static std::vector<std::string> settings;
    save->add_option("file", saveFile, "state file to write")->required();
    save->add_option("--set", settings, "ID=VALUE: a normalized value delivered before saving (several: a=1,b=0.5)")
        ->delimiter(',');
    save->callback([] {
        korvex_host::installFaultReport("state save");
        korvex_host::checkOutputPath(saveFile, "state file");
        for (const std::string& setting : settings) korvex_host::parseSetting(setting);
        korvex_host::EffectSession session(simhost::InstanceOptions{});
        korvex_host::applySettings(session.instance(), settings);
        const size_t size = korvex_host::saveState(session.instance(), saveFile);
        std::cout << "saved chunk " << korvex_host::chunkIdText(session.instance().chunkId()) << ", " << size
                  << " bytes, to " << saveFile << "\n";
        if (size == 0) std::cerr << korvex_host::emptyChunkWarning(saveFile) << "\n";
    });

    auto* load = command->add_subcommand("load", "load FILE into a fresh instance and read the chunk back");
    static std::string loadFile;
    load->add_option("file", loadFile, "state file to read")->required();
    load->callback([] {
        korvex_host::installFaultReport("state load");
        korvex_host::readStateFile(loadFile);
        korvex_host::EffectSession session(simhost::InstanceOptions{});
        const korvex_host::LoadedState loaded = korvex_host::loadState(session.instance(), loadFile);
        std::cout << "loaded chunk " << korvex_host::chunkIdText(session.instance().chunkId()) << ", " << loaded.bytes
                  << " bytes, from " << loadFile
                  << (loaded.readBack.empty() ? "; the plug-in reads it back unchanged" : "") << "\n";
        if (!loaded.readBack.empty()) std::cerr << korvex_host::readBackWarning(loaded, loadFile) << "\n";
    });
}
