// A plug-in that crashes inside a command ends the tool with one line naming the command, the
// call it was in and the fault, instead of a bare "Segmentation fault".
#pragma once

namespace korvex_host {

// Installs the process-wide handlers for the command about to run; call once, before any plug-in
// is loaded. `command` must outlive the process (a literal).
void installFaultReport(const char* command);

// Interruption (SIGINT, SIGTERM, SIGHUP; Ctrl-C or a closing console on Windows) ends the command
// with one line and exit code 1 after removing its temporary files. A command that can end more
// gracefully sets a handler, which then runs instead, once: on POSIX inside a signal handler, so
// it may only touch lock-free atomics and async-signal-safe calls. A second interruption ends the
// command as usual.
void setInterruptHandler(void (*handler)());

// From now on a crash also writes the crashing thread's call stack to stderr, between the lines
// kStackBegin and kStackEnd, for the validator's parent to read back (it symbolises the frames).
// `dumpPath` (may be empty; copied): where a system that makes crash dumps leaves one.
void reportCrashStacks(const char* dumpPath);
inline constexpr char kStackBegin[] = "@korvex-stack-begin";
inline constexpr char kStackEnd[] = "@korvex-stack-end";

// While one lives, a fault on this thread is reported as happening during `call` (a literal:
// "processReplacing", "the effect's Initialize", ...). Scopes nest per thread: the innermost
// names the call, the outermost, when it differs, what the host was doing around it.
class FaultScope {
public:
    explicit FaultScope(const char* call);
    ~FaultScope();
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;
};

// The same as a FaultScope, for callers that cannot hold one (a plug-in's call hooks): every
// enter is matched by one leave on the same thread.
void enterFaultCall(const char* call);
void leaveFaultCall();

// The call some thread entered last and has not left: what a watchdog names when work hangs.
const char* lastFaultCall();
// The innermost call of the calling thread, or null; allocates nothing.
const char* currentFaultCall();

// What the handlers print, for tests and for the validator's parent: the line begins with this.
inline constexpr char kFaultLinePrefix[] = "korvex-host: ";

}  // namespace korvex_host
