// Terminal and display queries on POSIX systems with X11.
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "tools/korvex-host/validate/environment.h"

namespace korvex_validate {

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

void setChildTemporaryFolder(const std::string& folder) {
    // What TMPDIR was before the first change, to put back.
    static std::optional<std::string> original;
    static bool saved = false;
    if (!saved) {
        if (const char* value = std::getenv("TMPDIR")) original = value;
        saved = true;
    }
    if (!folder.empty()) ::setenv("TMPDIR", folder.c_str(), 1);
    else if (original) ::setenv("TMPDIR", original->c_str(), 1);
    else ::unsetenv("TMPDIR");
}

std::string windowUnavailableReason() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "no X display: DISPLAY is not set (run under xvfb-run for a virtual one)";
    return {};
}

}  // namespace korvex_validate
