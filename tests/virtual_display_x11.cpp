// A private Xvfb per test process: every test that opens windows has a screen nobody else draws
// on, so pictures are exact even when tests run in parallel. The server picks a free display
// number itself (-displayfd), so concurrent starts never collide.
// Before Xlib, whose None macro would break GoogleTest's headers.
#include "virtual_display.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace display_testing {
namespace {

constexpr int kStartTimeoutMs = 15000;

std::string findProgram(const char* name) {
    const char* path = std::getenv("PATH");
    std::string dirs = path && *path ? path : "/usr/bin:/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        const size_t end = dirs.find(':', start);
        const std::string dir = dirs.substr(start, end == std::string::npos ? std::string::npos : end - start);
        const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return {};
}

class Server {
public:
    Server() { start(); }

    ~Server() {
        if (keeper) XCloseDisplay(keeper);
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            int status = 0;
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }

    bool ready() const { return keeper != nullptr; }
    const std::string& failure() const { return why; }
    Display* connection() const { return keeper; }

private:
    void start() {
        const std::string xvfb = findProgram("Xvfb");
        if (xvfb.empty()) {
            useExistingDisplay();
            return;
        }
        int fds[2];
        if (::pipe(fds) != 0) {
            why = std::string("pipe: ") + std::strerror(errno);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, fds[0]);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        // -terminate: the server ends when its last client leaves, so even a test process that
        // crashes takes its server along (this process keeps one connection open until exit).
        const std::vector<std::string> args = {xvfb, "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                               "1280x1024x24", "-nolisten", "tcp", "-terminate"};
        std::vector<char*> argv;
        for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        const int spawned = ::posix_spawn(&pid, xvfb.c_str(), &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        if (spawned != 0) {
            pid = 0;
            ::close(fds[0]);
            why = xvfb + ": " + std::strerror(spawned);
            return;
        }
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
        if (number.empty() || number.find('\n') == std::string::npos) {
            why = "Xvfb did not report a display";
            return;
        }
        const std::string name = ":" + number.substr(0, number.find('\n'));
        keeper = XOpenDisplay(name.c_str());
        if (!keeper) {
            why = "cannot connect to the Xvfb at " + name;
            return;
        }
        ::setenv("DISPLAY", name.c_str(), 1);
    }

    // Without Xvfb, a display the test was given will do (its pictures may be disturbed by
    // other windows on it).
    void useExistingDisplay() {
        const char* name = std::getenv("DISPLAY");
        if (name && *name) keeper = XOpenDisplay(name);
        if (!keeper) why = "Xvfb is not installed (scripts/install-deps.sh installs it) and DISPLAY names no X server";
    }

    pid_t pid = 0;
    Display* keeper = nullptr;
    std::string why;
};

Server& server() {
    static Server instance;
    return instance;
}

int32_t countBelow(Display* display, Window window) {
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    int32_t total = static_cast<int32_t>(count);
    for (unsigned int i = 0; i < count; ++i) total += countBelow(display, children[i]);
    if (children) XFree(children);
    return total;
}

}  // namespace

bool haveDisplay(std::string* reason) {
    if (server().ready()) return true;
    if (reason) *reason = server().failure();
    return false;
}

int32_t windowCount() {
    Display* display = server().connection();
    if (!display) return 0;
    XSync(display, False);
    return countBelow(display, DefaultRootWindow(display));
}

NoDisplay::NoDisplay() {
    if (const char* name = std::getenv("DISPLAY")) saved = name;
    ::unsetenv("DISPLAY");
    hidden = true;
}

NoDisplay::~NoDisplay() {
    if (!saved.empty()) ::setenv("DISPLAY", saved.c_str(), 1);
}

}  // namespace display_testing
