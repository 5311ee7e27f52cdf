// Shared between fault_report.cpp and the platform's handler; nothing else includes it.
#pragma once

#include <atomic>

namespace korvex_host {

extern std::atomic<const char*> gFaultCommand;
extern std::atomic<const char*> gFaultCall;

}  // namespace korvex_host
