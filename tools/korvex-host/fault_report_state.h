// Shared between fault_report.cpp and the platform's handler; nothing else includes it.
#pragma once

#include <atomic>

namespace korvex_host {

extern std::atomic<const char*> gFaultCommand;

// For the handler, on the faulting thread: the innermost call of that thread (null when none) and
// the outermost one when it differs from the innermost (else null). Plain reads of this thread's
// own variables, safe inside a signal handler.
const char* faultCallOfThisThread();
const char* faultContextOfThisThread();

}  // namespace korvex_host
