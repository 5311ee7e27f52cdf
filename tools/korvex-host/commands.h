// The command-line host's commands: each lives in its own file and adds itself to the app.
#pragma once

#include <string>

namespace CLI {
class App;
}

// Options of the app itself, valid in front of or after any command.
struct HostOptions {
    std::string modulePath;  // the module to load; the build's KORVEX.aaxplugin by default
    std::string vstPath;     // install folder holding VST64/KORVEX.dll, for commands that make instances
    bool installed = false;  // the registry as it stands names the plug-in (an installed product)
};

// Filled by the parser before any command runs.
HostOptions& hostOptions();

// A command reports failure by throwing; main prints what() on one line and exits with 1.
void addDescribeCommand(CLI::App& app);
void addRenderCommand(CLI::App& app);
void addParamsCommand(CLI::App& app);
void addStateCommand(CLI::App& app);
void addEditorCommand(CLI::App& app);
void addValidateCommand(CLI::App& app);
