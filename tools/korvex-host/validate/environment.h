// The validator's one seam for what differs between systems around it: whether output goes to a
// terminal, and whether native windows can be made here (or a private display made for them).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace korvex_validate {

bool stdoutIsTerminal();

// Points the system's temporary folder of the processes started from now on at `folder` (TMPDIR;
// TMP and TEMP on Windows); empty restores what it was. This process's own choice changes too.
void setChildTemporaryFolder(const std::string& folder);

// Empty when the editor's native windows can be made; else why not, in one line.
std::string windowUnavailableReason();

// A display of the run's own for its editor tests, where there is none: a private virtual X
// server on X11 systems, chosen by the server itself so parallel runs never collide, named in
// DISPLAY for every test process started while it lives, and stopped with it (or with this
// process, should it die first). Systems whose windows need no server never make one.
class PrivateDisplay {
public:
    virtual ~PrivateDisplay() = default;
    // ":N", for the line that says a display was started.
    virtual std::string name() const = 0;
};

// A started display, or null with the reason in *why when none can be had.
std::unique_ptr<PrivateDisplay> startPrivateDisplay(std::string* why);

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
