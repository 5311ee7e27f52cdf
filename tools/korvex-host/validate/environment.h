// The validator's one seam for what differs between systems around it: whether output goes to a
// terminal, and whether native windows can be made here.
#pragma once

#include <string>
#include <vector>

namespace korvex_validate {

bool stdoutIsTerminal();

// Empty when the editor's native windows can be made; else why not, in one line.
std::string windowUnavailableReason();

// The full path of a program found on PATH ("" when there is none).
std::string findProgram(const std::string& name);

// The validator's own settings found in the environment (KORVEX_*), as NAME=VALUE, for a replay.
std::vector<std::string> validatorEnvironment();

// A script that runs `argv` with the settings of `environment` and passes on its own arguments:
// its file name ("replay.sh", "replay.cmd") and its text.
struct Script {
    std::string fileName;
    std::string text;
};
Script replayScript(const std::string& comment, const std::vector<std::string>& environment,
                    const std::vector<std::string>& argv);
// Makes a written script runnable where that is a file's property; false when it cannot.
bool makeRunnable(const std::string& path);

}  // namespace korvex_validate
