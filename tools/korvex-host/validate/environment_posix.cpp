// Terminal and display queries on POSIX systems with X11.
#include <unistd.h>

#include <cstdlib>

#include "tools/korvex-host/validate/environment.h"

namespace korvex_validate {

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

std::string windowUnavailableReason() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "no X display: DISPLAY is not set (run under xvfb-run for a virtual one)";
    return {};
}

}  // namespace korvex_validate
