// The state every platform's fault handler reads: the command and, per thread, the calls in progress.
#include "tools/korvex-host/fault_report.h"

#include <atomic>

#include "tools/korvex-host/fault_report_state.h"

namespace korvex_host {

// Written by the main thread, read by a fault handler on whichever thread faulted: an atomic
// pointer to a literal, so the handler never reads a half-written value or freed text.
std::atomic<const char*> gFaultCommand{"command"};
std::atomic<void (*)()> gInterruptHandler{nullptr};

void setInterruptHandler(void (*handler)()) { gInterruptHandler.store(handler); }

namespace {

constexpr int kMaxDepth = 16;

// Each thread's own stack of calls: a synchronous fault is handled on the thread that caused it,
// so its handler reads exactly the calls that thread was in.
thread_local const char* tCalls[kMaxDepth];
thread_local int tDepth = 0;

// The call entered last on any thread; only a watchdog on another thread reads it.
std::atomic<const char*> gLastCall{nullptr};

}  // namespace

void enterFaultCall(const char* call) {
    if (tDepth < kMaxDepth) tCalls[tDepth] = call;
    ++tDepth;
    gLastCall.store(call);
}

void leaveFaultCall() {
    if (tDepth > 0) --tDepth;
    gLastCall.store(tDepth > 0 && tDepth <= kMaxDepth ? tCalls[tDepth - 1] : nullptr);
}

const char* lastFaultCall() { return gLastCall.load(); }

const char* currentFaultCall() { return faultCallOfThisThread(); }

const char* faultCallOfThisThread() {
    if (tDepth <= 0) return nullptr;
    return tCalls[(tDepth < kMaxDepth ? tDepth : kMaxDepth) - 1];
}

const char* faultContextOfThisThread() {
    if (tDepth <= 1) return nullptr;
    const char* outer = tCalls[0];
    return outer == faultCallOfThisThread() ? nullptr : outer;
}

FaultScope::FaultScope(const char* call) { enterFaultCall(call); }

FaultScope::~FaultScope() { leaveFaultCall(); }

void putFaultLine(void (*put)(const char*), const char* what, const char* ending) {
    put(kFaultLinePrefix);
    put(gFaultCommand.load());
    put(": ");
    put(what);
    if (const char* call = faultCallOfThisThread()) {
        put(" during ");
        put(call);
    }
    if (const char* context = faultContextOfThisThread()) {
        put(", while ");
        put(context);
    }
    put(ending);
}

}  // namespace korvex_host
