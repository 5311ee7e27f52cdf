// The render command of a build without an audio-file library: it exists, so that asking for it
// gives a reason instead of "unknown command".
#include <CLI/CLI.hpp>

#include <stdexcept>

#include "tools/korvex-host/commands.h"

void addRenderCommand(CLI::App& app) {
    auto* command = app.add_subcommand("render", "not available in this build (no audio-file library)");
    command->allow_extras();
    command->callback([] {
        throw std::runtime_error("render is not available in this build: it needs libsndfile, which this platform's "
                                 "build does not have");
    });
}
