// Terminal and display queries on Windows: every desktop session can make windows.
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <optional>

#include "tools/korvex-host/validate/environment.h"

namespace korvex_validate {

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

}  // namespace korvex_validate
