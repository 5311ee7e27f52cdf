// The simulated host's seam for child processes: a command run in a process of its own, so that a
// plug-in that crashes or hangs ends that process and not the host that asked.
#pragma once

#include <string>
#include <vector>

namespace simhost {

struct ChildResult {
    bool started = false;   // false: the process could not be made; `failure` says why
    bool exited = false;    // it ended by itself, with exitCode
    int exitCode = 0;
    bool crashed = false;   // it was ended by a fault: a signal, or a Windows exception code
    std::string fault;      // "SIGSEGV", "exception 0xC0000005 (access violation)", ...
    bool timedOut = false;  // it outlived the time-out and was killed
    std::string failure;
    std::string out;        // everything it wrote to standard output
    std::string err;        // and to standard error
    double seconds = 0.0;   // wall-clock time from start to end

    // One line for a report: "exit code 3", "crashed (SIGSEGV)", "timed out after 10 s", ...
    std::string summary() const;
};

// Runs argv[0] (a path, not searched for) with the rest as its arguments and the environment of
// this process, waits at most timeoutSeconds (<= 0: no limit), and collects both output streams.
// The child's standard input is empty, and it inherits no other file or handle of this process,
// so children started on several threads at once never hold each other's pipes.
ChildResult runChild(const std::vector<std::string>& argv, double timeoutSeconds);

// Ends every child runChild is waiting for, on any thread (and whatever they started), and every
// child started from then on, as soon as it starts: the process is being interrupted, and a child
// about to start must not outlive that. runChild returns them as crashed. Safe in a signal handler
// (on Windows it runs on the console's control thread and may take a lock).
void endRunningChild();

// The file of the running executable, for a program that runs parts of itself as children.
std::string currentExecutable();

// The file suffix of executables on this system: "", or ".exe" on Windows.
const char* executableSuffix();

}  // namespace simhost
