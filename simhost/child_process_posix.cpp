// Child processes with posix_spawn; the child leads a process group of its own, so that a
// time-out also ends whatever it started.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <initializer_list>

#include "simhost/child_process.h"

extern char** environ;

namespace simhost {
namespace {

using Clock = std::chrono::steady_clock;

// [any thread: atomic] The process groups of the children runChild waits for, on any thread, 0 in
// a free slot: an interruption ends them all. endRunningChild reads them from a signal handler,
// where only lock-free atomics may be touched, hence slots and no list. More than the validator
// runs at once (64); a child that finds none free is still ended by a request made before it
// started.
constexpr size_t kChildSlots = 128;
std::atomic<pid_t> gRunningChildren[kChildSlots] = {};
// [any thread: atomic] Set once endRunningChild was called: later children end as they start.
std::atomic<bool> gEndRequested{false};

// The slot the child now holds, or kChildSlots when none was free.
size_t holdSlot(pid_t pid) {
    for (size_t slot = 0; slot < kChildSlots; ++slot) {
        pid_t free = 0;
        if (gRunningChildren[slot].compare_exchange_strong(free, pid)) return slot;
    }
    return kChildSlots;
}

void closeQuietly(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

// Reads what is there without blocking; false once the pipe is closed.
bool drain(int fd, std::string& into) {
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            into.append(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n == 0) return false;
        return errno == EAGAIN || errno == EINTR;
    }
}

std::string signalName(int signal) {
    switch (signal) {
    case SIGSEGV: return "SIGSEGV";
    case SIGBUS: return "SIGBUS";
    case SIGFPE: return "SIGFPE";
    case SIGILL: return "SIGILL";
    case SIGABRT: return "SIGABRT";
    case SIGKILL: return "SIGKILL";
    case SIGTERM: return "SIGTERM";
    case SIGTRAP: return "SIGTRAP";
    default: return "signal " + std::to_string(signal);
    }
}

}  // namespace

void endRunningChild() {
    gEndRequested.store(true);
    for (std::atomic<pid_t>& slot : gRunningChildren)
        if (const pid_t pid = slot.load(); pid > 0) ::kill(-pid, SIGKILL);
}

ChildResult runChild(const std::vector<std::string>& argv, double timeoutSeconds) {
    ChildResult result;
    if (argv.empty()) {
        result.failure = "no program given";
        return result;
    }
    int outPipe[2] = {-1, -1};
    int errPipe[2] = {-1, -1};
    // Close-on-exec: a child another thread starts meanwhile must not hold these pipes open (its
    // copy would keep this child's output from ending); the dup2 of the spawn clears the flag on
    // the child's own standard streams.
    if (::pipe2(outPipe, O_CLOEXEC) != 0 || ::pipe2(errPipe, O_CLOEXEC) != 0) {
        result.failure = std::string("pipe: ") + std::strerror(errno);
        closeQuietly(outPipe[0]), closeQuietly(outPipe[1]), closeQuietly(errPipe[0]), closeQuietly(errPipe[1]);
        return result;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, outPipe[0]);
    posix_spawn_file_actions_addclose(&actions, errPipe[0]);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<char*> arguments;
    for (const std::string& argument : argv) arguments.push_back(const_cast<char*>(argument.c_str()));
    arguments.push_back(nullptr);

    const Clock::time_point start = Clock::now();
    pid_t pid = 0;
    const int spawned = ::posix_spawn(&pid, argv[0].c_str(), &actions, &attributes, arguments.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeQuietly(outPipe[1]);
    closeQuietly(errPipe[1]);
    if (spawned != 0) {
        result.failure = argv[0] + ": " + std::strerror(spawned);
        closeQuietly(outPipe[0]);
        closeQuietly(errPipe[0]);
        return result;
    }
    result.started = true;
    const size_t slot = holdSlot(pid);
    // The request may have come between the caller's last look and the spawn.
    if (gEndRequested.load()) ::kill(-pid, SIGKILL);
    ::fcntl(outPipe[0], F_SETFL, O_NONBLOCK);
    ::fcntl(errPipe[0], F_SETFL, O_NONBLOCK);

    const bool limited = timeoutSeconds > 0.0;
    const Clock::time_point deadline =
        start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(limited ? timeoutSeconds : 0.0));
    // Read until both pipes close (the child and anything it started are gone) or time runs out.
    while (outPipe[0] >= 0 || errPipe[0] >= 0) {
        pollfd fds[2];
        nfds_t count = 0;
        for (int fd : {outPipe[0], errPipe[0]})
            if (fd >= 0) fds[count++] = pollfd{fd, POLLIN, 0};
        int waitMs = -1;
        if (limited) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) {
                result.timedOut = true;
                break;
            }
            waitMs = static_cast<int>(left < INT_MAX ? left : INT_MAX);
        }
        if (::poll(fds, count, waitMs) < 0 && errno != EINTR) break;
        if (outPipe[0] >= 0 && !drain(outPipe[0], result.out)) closeQuietly(outPipe[0]);
        if (errPipe[0] >= 0 && !drain(errPipe[0], result.err)) closeQuietly(errPipe[0]);
    }
    if (result.timedOut) ::kill(-pid, SIGKILL);

    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (slot < kChildSlots) gRunningChildren[slot].store(0);
    // A grandchild may keep the pipes open after a time-out; what it wrote so far is kept.
    if (outPipe[0] >= 0) drain(outPipe[0], result.out);
    if (errPipe[0] >= 0) drain(errPipe[0], result.err);
    closeQuietly(outPipe[0]);
    closeQuietly(errPipe[0]);
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    if (result.timedOut) return result;
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.crashed = true;
        result.fault = signalName(WTERMSIG(status));
    }
    return result;
}

std::string currentExecutable() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

const char* executableSuffix() { return ""; }

}  // namespace simhost
