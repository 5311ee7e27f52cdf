// Terminal, display, programs and scripts on Windows: every desktop session can make windows.
#include <windows.h>
#include <io.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/korvex-host/validate/environment.h"

namespace korvex_validate {
namespace {

// cmd.exe keeps what stands between double quotes; a double quote cannot appear in a path.
std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool stdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }

std::string windowUnavailableReason() { return {}; }

// Stacks are symbolised in the crashing process on Windows; no program is looked for.
std::string findProgram(const std::string&) { return {}; }

std::vector<std::string> validatorEnvironment() {
    std::vector<std::string> settings;
    LPCH block = ::GetEnvironmentStringsA();
    if (!block) return settings;
    for (const char* entry = block; *entry; entry += std::strlen(entry) + 1)
        if (std::strncmp(entry, "KORVEX_", 7) == 0) settings.emplace_back(entry);
    ::FreeEnvironmentStringsA(block);
    return settings;
}

Script replayScript(const std::string& comment, const std::vector<std::string>& environment,
                    const std::vector<std::string>& argv) {
    std::string text = "@echo off\r\nrem " + comment + "\r\nsetlocal\r\n";
    for (const std::string& setting : environment) text += "set \"" + setting + "\"\r\n";
    std::string command;
    for (const std::string& argument : argv) command += (command.empty() ? "" : " ") + quoted(argument);
    return {"replay.cmd", text + command + " %*\r\nexit /b %ERRORLEVEL%\r\n"};
}

bool makeRunnable(const std::string&) { return true; }

}  // namespace korvex_validate
