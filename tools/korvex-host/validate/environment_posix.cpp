// Terminal, display, programs and scripts on POSIX systems with X11.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "tools/korvex-host/validate/environment.h"

extern char** environ;

namespace korvex_validate {
namespace {

// Single quotes keep everything but a single quote, which closes, is escaped and reopens.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::string windowUnavailableReason() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "no X display: DISPLAY is not set (run under xvfb-run for a virtual one)";
    return {};
}

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0 && std::filesystem::is_regular_file(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

std::vector<std::string> validatorEnvironment() {
    std::vector<std::string> settings;
    for (char** entry = environ; entry && *entry; ++entry)
        if (std::strncmp(*entry, "KORVEX_", 7) == 0) settings.emplace_back(*entry);
    return settings;
}

Script replayScript(const std::string& comment, const std::vector<std::string>& environment,
                    const std::vector<std::string>& argv) {
    std::string text = "#!/bin/sh\n# " + comment + "\n";
    for (const std::string& setting : environment) {
        const size_t equals = setting.find('=');
        if (equals == std::string::npos) continue;
        text += "export " + setting.substr(0, equals) + "=" + quoted(setting.substr(equals + 1)) + "\n";
    }
    text += "exec";
    for (const std::string& argument : argv) text += " " + quoted(argument);
    return {"replay.sh", text + " \"$@\"\n"};
}

bool makeRunnable(const std::string& path) { return ::chmod(path.c_str(), 0755) == 0; }

}  // namespace korvex_validate
