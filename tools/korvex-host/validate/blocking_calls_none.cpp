// The blocking-call watch where the build cannot see the calls: sanitizer runtimes intercept the
// same functions themselves, and other systems have no interposition this tool relies on.
#include "tools/korvex-host/validate/blocking_calls.h"

namespace korvex_validate {

bool blockingWatchAvailable(const char** why) {
    if (why)
        *why = "this build of korvex-host cannot watch locks, sleeps and I/O (sanitizer builds and systems other "
               "than glibc)";
    return false;
}

const char* blockingWatchScope() { return "nothing: this build watches no blocking calls"; }

void setBlockingCallNamer(const char* (*)()) {}
void beginBlockingWatch() {}
BlockingCalls endBlockingWatch() { return {}; }
void enterPluginBlockingScope() {}
void leavePluginBlockingScope() {}
std::vector<std::string> describeStack(void* const*, int) { return {}; }

}  // namespace korvex_validate
