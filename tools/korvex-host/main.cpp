// korvex-host: loads KORVEX.aaxplugin the way an AAX host does and runs one command against it.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "simhost/sim_host.h"
#include "tools/korvex-host/commands.h"

HostOptions& hostOptions() {
    static HostOptions options;
    return options;
}

int main(int argc, char** argv) {
    CLI::App app{"Loads the KORVEX AAX module the way a host does and drives it."};
    app.require_subcommand(1);
    // Global options may also follow the command name.
    app.fallthrough();

    HostOptions& options = hostOptions();
    options.modulePath = simhost::defaultModulePath();
    app.add_option("--module", options.modulePath, "module file to load")->capture_default_str();
    auto* vst = app.add_option("--vst", options.vstPath,
                               "VST 2.4 library to wrap, or an install folder holding VST64/KORVEX.dll");
    app.add_flag("--installed", options.installed,
                 "host the installed product: the module finds the plug-in through the registry as it stands, "
                 "nothing is written there")
        ->excludes(vst);

    addDescribeCommand(app);
    addRenderCommand(app);
    addParamsCommand(app);
    addStateCommand(app);
    addEditorCommand(app);
    addValidateCommand(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return app.exit(error);
    } catch (const std::exception& error) {
        std::cerr << "korvex-host: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
