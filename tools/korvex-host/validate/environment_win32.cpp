// Terminal, display, programs and scripts on Windows: every desktop session can make windows.
#include <windows.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "tools/korvex-host/validate/environment.h"

namespace korvex_validate {
namespace {

// cmd.exe keeps what stands between double quotes; a double quote cannot appear in a path.
std::string quoted(const std::string& text) { return "\"" + text + "\""; }

}  // namespace

bool stdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }

namespace {

std::optional<std::string> variable(const char* name) {
    char value[32768];
    const DWORD length = ::GetEnvironmentVariableA(name, value, sizeof value);
    if (length == 0 || length >= sizeof value) return std::nullopt;
    return std::string(value, length);
}

}  // namespace

void setChildTemporaryFolder(const std::string& folder) {
    // GetTempPath reads TMP first, then TEMP; both are set so every reader agrees.
    static std::optional<std::string> originalTmp, originalTemp;
    static bool saved = false;
    if (!saved) {
        originalTmp = variable("TMP");
        originalTemp = variable("TEMP");
        saved = true;
    }
    if (!folder.empty()) {
        ::SetEnvironmentVariableA("TMP", folder.c_str());
        ::SetEnvironmentVariableA("TEMP", folder.c_str());
        return;
    }
    ::SetEnvironmentVariableA("TMP", originalTmp ? originalTmp->c_str() : nullptr);
    ::SetEnvironmentVariableA("TEMP", originalTemp ? originalTemp->c_str() : nullptr);
}

std::string windowUnavailableReason() { return {}; }

std::unique_ptr<PrivateDisplay> startPrivateDisplay(std::string* why) {
    if (why) *why = "windows are made on the desktop; there is no display server to start";
    return nullptr;
}

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
