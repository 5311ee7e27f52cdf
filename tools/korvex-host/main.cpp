// korvex-host: loads KORVEX.aaxplugin the way an AAX host does and runs one command against it.
#include <CLI/CLI.hpp>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "module/registration.h"
#include "simhost/sim_host.h"
#include "tools/korvex-host/commands.h"

HostOptions& hostOptions() {
    static HostOptions options;
    return options;
}

namespace {

constexpr char kToolVersion[] = "1.0";

// Every error ends the tool the same way, whoever found it: one line on stderr, exit code 1.
int fail(const std::string& message) {
    std::string line = message;
    for (char& c : line)
        if (c == '\n' || c == '\r') c = ' ';
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::cerr << "korvex-host: " << line << "\n";
    return 1;
}

// The parser's own words for a missing or unknown command say too little; these name the
// command line's actual words.
std::string parseErrorText(const CLI::App& app, const CLI::ParseError& error, int argc, char** argv) {
    const std::string what = error.what();
    if (what.find("subcommand is required") == std::string::npos) return what;
    for (int i = 1; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--vst" || word == "--module") {
            ++i;  // their value is no command
            continue;
        }
        if (word == "state") {
            const std::string next = i + 1 < argc ? argv[i + 1] : "";
            return next.empty() ? "state wants save FILE or load FILE"
                                : "state: no command '" + next + "' (state save FILE or state load FILE)";
        }
        const std::vector<const CLI::App*> commands = app.get_subcommands({});
        bool known = false;
        for (const CLI::App* command : commands) known = known || command->get_name() == word;
        if (!word.empty() && word[0] != '-' && !known)
            return "no command '" + word + "' (describe, render, params, state, editor or validate; --help says more)";
    }
    return "no command given (describe, render, params, state, editor or validate; --help says more)";
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"Loads the KORVEX AAX module the way a host does and drives it."};
    app.require_subcommand(1);
    // Global options may also follow the command name.
    app.fallthrough();
    app.set_version_flag("--version", std::string("korvex-host ") + kToolVersion + " (KORVEX module package version " +
                                          std::to_string(kPackageVersion) + ")");

    HostOptions& options = hostOptions();
    options.modulePath = simhost::defaultModulePath();
    // Absolute from the start: child processes and the system's loader must open the same file.
    const auto absolute = [](std::string path) {
        std::error_code error;
        const std::filesystem::path resolved = std::filesystem::absolute(path, error);
        return error || path.empty() ? path : resolved.lexically_normal().string();
    };
    app.add_option("--module", options.modulePath, "module file to load")->capture_default_str()->transform(absolute);
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
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForVersion& version) {
        return app.exit(version);
    } catch (const CLI::RuntimeError& error) {
        // A command that already said why (the editor's child) passes its exit code on.
        return error.get_exit_code();
    } catch (const CLI::ParseError& error) {
        return fail(parseErrorText(app, error, argc, argv));
    } catch (const std::exception& error) {
        return fail(error.what());
    }
    return 0;
}
