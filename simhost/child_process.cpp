// What every platform shares of child processes: the one-line summary of how a child ended.
#include <cstdio>

#include "simhost/child_process.h"

namespace simhost {

std::string ChildResult::summary() const {
    char text[96];
    if (!started) return "could not start: " + failure;
    if (timedOut) {
        std::snprintf(text, sizeof text, "timed out after %.1f s", seconds);
        return text;
    }
    if (crashed) return "crashed (" + fault + ")";
    std::snprintf(text, sizeof text, "exit code %d", exitCode);
    return text;
}

}  // namespace simhost
