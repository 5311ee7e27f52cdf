// Terminal, display, programs and scripts on POSIX systems with X11, and a private Xvfb where
// there is no display.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <vector>

#include "tools/korvex-host/validate/environment.h"

extern char** environ;

namespace korvex_validate {
namespace {

// Xvfb is up in well under a second; a loaded CI machine gets a generous margin.
constexpr int kStartTimeoutMs = 15000;

class Xvfb final : public PrivateDisplay {
public:
    Xvfb(pid_t process, std::string display) : pid(process), displayName(std::move(display)) {}
    ~Xvfb() override {
        ::kill(pid, SIGTERM);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        ::unsetenv("DISPLAY");
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;
    std::string name() const override { return displayName; }

private:
    pid_t pid;
    std::string displayName;
};

void stop(pid_t pid) {
    ::kill(pid, SIGKILL);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Single quotes keep everything but a single quote, which closes, is escaped and reopens.
std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

bool stdoutIsTerminal() { return ::isatty(STDOUT_FILENO) == 1; }

void setChildTemporaryFolder(const std::string& folder) {
    // What TMPDIR was before the first change, to put back.
    static std::optional<std::string> original;
    static bool saved = false;
    if (!saved) {
        if (const char* value = std::getenv("TMPDIR")) original = value;
        saved = true;
    }
    if (!folder.empty()) ::setenv("TMPDIR", folder.c_str(), 1);
    else if (original) ::setenv("TMPDIR", original->c_str(), 1);
    else ::unsetenv("TMPDIR");
}

std::string windowUnavailableReason() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "no X display: DISPLAY is not set and no Xvfb could be started";
    return {};
}

std::unique_ptr<PrivateDisplay> startPrivateDisplay(std::string* why) {
    const auto fail = [why](const std::string& reason) -> std::unique_ptr<PrivateDisplay> {
        if (why) *why = reason;
        return nullptr;
    };
    const std::string xvfb = findProgram("Xvfb");
    if (xvfb.empty()) return fail("Xvfb is not installed (Debian: xvfb) and DISPLAY is not set");
    int fds[2];
    if (::pipe(fds) != 0) return fail(std::string("pipe: ") + std::strerror(errno));
    // Everything the child needs is made before fork: after it, only async-signal-safe calls.
    const std::vector<std::string> args = {xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                           "1280x1024x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        return fail(std::string("fork: ") + std::strerror(error));
    }
    if (pid == 0) {
#ifdef __linux__
        // A validator killed outright takes its server along instead of leaving it running.
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) ::_exit(127);
#else
        (void)parent;
#endif
        ::close(fds[0]);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    // The server writes its display number once it accepts connections.
    std::string number;
    pollfd wait{fds[0], POLLIN, 0};
    while (number.find('\n') == std::string::npos && ::poll(&wait, 1, kStartTimeoutMs) > 0) {
        char buffer[16];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        number.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    if (number.find('\n') == std::string::npos) {
        stop(pid);
        return fail(xvfb + " did not report a display");
    }
    const std::string name = ":" + number.substr(0, number.find('\n'));
    ::setenv("DISPLAY", name.c_str(), 1);
    return std::make_unique<Xvfb>(pid, name);
}

std::string findProgram(const std::string& name) {
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= folders.size()) {
        size_t end = folders.find(':', start);
        if (end == std::string::npos) end = folders.size();
        const std::string folder = folders.substr(start, end - start);
        const std::string candidate = (folder.empty() ? std::string(".") : folder) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0 && std::filesystem::is_regular_file(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

std::vector<std::string> validatorEnvironment() {
    std::vector<std::string> settings;
    for (char** entry = environ; entry && *entry; ++entry)
        if (std::strncmp(*entry, "KORVEX_", 7) == 0) settings.emplace_back(*entry);
    return settings;
}

Script replayScript(const std::string& comment, const std::vector<std::string>& environment,
                    const std::vector<std::string>& argv) {
    std::string text = "#!/bin/sh\n# " + comment + "\n";
    for (const std::string& setting : environment) {
        const size_t equals = setting.find('=');
        if (equals == std::string::npos) continue;
        text += "export " + setting.substr(0, equals) + "=" + quoted(setting.substr(equals + 1)) + "\n";
    }
    text += "exec";
    for (const std::string& argument : argv) text += " " + quoted(argument);
    return {"replay.sh", text + " \"$@\"\n"};
}

bool makeRunnable(const std::string& path) { return ::chmod(path.c_str(), 0755) == 0; }

}  // namespace korvex_validate
