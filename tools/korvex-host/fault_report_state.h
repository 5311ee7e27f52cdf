// Shared between fault_report.cpp and the platform's handler; nothing else includes it.
#pragma once

#include <atomic>

namespace korvex_host {

extern std::atomic<const char*> gFaultCommand;
// [any thread: atomic] The command's own interruption handler, null when none; taken (set to
// null) by the first interruption that runs it.
extern std::atomic<void (*)()> gInterruptHandler;

// For the handler, on the faulting thread: the innermost call of that thread (null when none) and
// the outermost one when it differs from the innermost (else null). Plain reads of this thread's
// own variables, safe inside a signal handler.
const char* faultCallOfThisThread();
const char* faultContextOfThisThread();

// The one line a handler writes, piece by piece through `put` (which must be safe where the
// handler runs): "korvex-host: <command>: <what> during <call>, while <context><ending>".
void putFaultLine(void (*put)(const char*), const char* what, const char* ending);

}  // namespace korvex_host
