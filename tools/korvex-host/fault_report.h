// A plug-in that crashes inside a command ends the tool with one line naming the command, the
// call it was in and the fault, instead of a bare "Segmentation fault".
#pragma once

namespace korvex_host {

// Installs the process-wide handlers for the command about to run; call once, before any plug-in
// is loaded. `command` must outlive the process (a literal).
void installFaultReport(const char* command);

// While one lives, a fault is reported as happening during `call` (a literal: "processReplacing
// through the render callback", "effect Initialize", ...). Scopes nest; the innermost names it.
class FaultScope {
public:
    explicit FaultScope(const char* call);
    ~FaultScope();
    FaultScope(const FaultScope&) = delete;
    FaultScope& operator=(const FaultScope&) = delete;

private:
    const char* previous;
};

// What the handlers print, for tests and for the validator's parent: the line begins with this.
inline constexpr char kFaultLinePrefix[] = "korvex-host: ";

}  // namespace korvex_host
