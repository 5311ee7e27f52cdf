// Files and folders a process made for itself and must not leave behind, even when it ends
// abruptly: a crash in a plug-in, a watchdog's exit, an interruption.
#pragma once

#include <string>

namespace simhost {

// Ordinary cleanup stays with the owner (a destructor); these only cover the exits that skip it.
// Thread-safe; at most kMaxTemporaryPaths at once (more are still cleaned by their owners).
inline constexpr int kMaxTemporaryPaths = 32;
void rememberTemporaryPath(const std::string& path);
void forgetTemporaryPath(const std::string& path);

// Removes every remembered path now, best effort, from ordinary code about to end the process.
void removeTemporaryPaths();

// The remembered paths as a null-terminated array of C strings that stays valid until the next
// remember/forget; for a fatal-signal handler, which must not allocate. Never null.
const char* const* temporaryPathsForFault();

}  // namespace simhost
