// Terminal and display queries on Windows: every desktop session can make windows.
#include <io.h>

#include <cstdio>

#include "tools/korvex-host/validate/environment.h"

namespace korvex_validate {

bool stdoutIsTerminal() { return ::_isatty(::_fileno(stdout)) != 0; }

std::string windowUnavailableReason() { return {}; }

std::unique_ptr<PrivateDisplay> startPrivateDisplay(std::string* why) {
    if (why) *why = "windows are made on the desktop; there is no display server to start";
    return nullptr;
}

}  // namespace korvex_validate
