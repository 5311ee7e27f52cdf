// The validator's one seam for what differs between systems around it: whether output goes to a
// terminal, and whether native windows can be made here.
#pragma once

#include <string>

namespace korvex_validate {

bool stdoutIsTerminal();

// Points the system's temporary folder of the processes started from now on at `folder` (TMPDIR;
// TMP and TEMP on Windows); empty restores what it was. This process's own choice changes too.
void setChildTemporaryFolder(const std::string& folder);

// Empty when the editor's native windows can be made; else why not, in one line.
std::string windowUnavailableReason();

}  // namespace korvex_validate
