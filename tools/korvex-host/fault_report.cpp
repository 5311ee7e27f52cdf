// The state every platform's fault handler reads: the command and the call in progress.
#include "tools/korvex-host/fault_report.h"

#include <atomic>

#include "tools/korvex-host/fault_report_state.h"

namespace korvex_host {

// Written by the main thread, read by a fault handler on whichever thread faulted: atomics of
// pointers to literals, so the handler never reads a half-written value or freed text.
std::atomic<const char*> gFaultCommand{"command"};
std::atomic<const char*> gFaultCall{nullptr};

FaultScope::FaultScope(const char* call) : previous(gFaultCall.exchange(call)) {}

FaultScope::~FaultScope() { gFaultCall.store(previous); }

}  // namespace korvex_host
