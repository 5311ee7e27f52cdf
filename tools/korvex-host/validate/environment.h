// The validator's one seam for what differs between systems around it: whether output goes to a
// terminal, and whether native windows can be made here.
#pragma once

#include <string>

namespace korvex_validate {

bool stdoutIsTerminal();

// Empty when the editor's native windows can be made; else why not, in one line.
std::string windowUnavailableReason();

}  // namespace korvex_validate
