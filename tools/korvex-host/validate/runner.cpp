// The battery's runner: selection, the load gate, one child process per check with a time limit,
// progress lines, and the report at the end.
#include "tools/korvex-host/validate/runner.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <random>
#include <stdexcept>
#include <thread>
#include <vector>

#include "simhost/child_process.h"
#include "simhost/temporary_paths.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/artifacts.h"
#include "tools/korvex-host/validate/crash_stack.h"
#include "tools/korvex-host/validate/environment.h"
#include "tools/korvex-host/validate/html_report.h"
#include "tools/korvex-host/validate/progress_line.h"

namespace korvex_validate {
namespace {

using Clock = std::chrono::steady_clock;

// The parent's own limit is later than the child's watchdog, which names the call it hung in.
constexpr double kParentGraceSeconds = 10.0;
constexpr int kStartRetries = 1;  // extra tries for a test process the system would not start
constexpr size_t kLogTail = 4000;
constexpr char kChildLinePrefix[] = "korvex-host: validate: ";

bool matches(const CheckInfo& check, const std::string& pattern) {
    const std::string name = check.name;
    return name == pattern || (name.size() > pattern.size() && name.compare(0, pattern.size(), pattern) == 0 &&
                               name[pattern.size()] == '.');
}

void requireKnown(const std::vector<std::string>& patterns) {
    for (const std::string& pattern : patterns) {
        bool known = false;
        for (const CheckInfo& check : allChecks()) known = known || matches(check, pattern);
        if (!known) throw std::runtime_error("no test or group named '" + pattern + "' (validate --list names them)");
    }
}

// The lines of a child's output, without their ends: "\n", or "\r\n" from a stream in text mode
// on Windows (the watchdog's line, a plug-in's chatter), whose '\r' would end up in the reports.
std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const size_t length = end - start - (end > start && text[end - 1] == '\r' ? 1 : 0);
        out.push_back(text.substr(start, length));
        start = end + 1;
    }
    return out;
}

// The first line a sanitizer wrote about the fault, without its "==pid==" prefix.
std::string sanitizerLine(const std::string& err) {
    for (const std::string& line : lines(err)) {
        for (const char* marker : {"ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "WARNING: ThreadSanitizer",
                                   "runtime error:", "ERROR: ThreadSanitizer"}) {
            const size_t at = line.find(marker);
            if (at == std::string::npos) continue;
            // Sanitizers open their lines with "==pid==".
            const size_t close = line.compare(0, 2, "==") == 0 ? line.find("==", 2) : std::string::npos;
            return line.substr(close == std::string::npos || close > at ? 0 : close + 2);
        }
    }
    return {};
}

// The last line the child's fault handler or watchdog wrote.
std::string childLine(const std::string& err) {
    std::string found;
    for (const std::string& line : lines(err))
        if (line.compare(0, sizeof kChildLinePrefix - 1, kChildLinePrefix) == 0)
            found = line.substr(sizeof kChildLinePrefix - 1);
    return found;
}

std::string lastLine(const std::string& text) {
    std::vector<std::string> all = lines(text);
    while (!all.empty() && all.back().find_first_not_of(" \t\r") == std::string::npos) all.pop_back();
    return all.empty() ? std::string() : all.back();
}

std::string tail(const std::string& text) {
    return text.size() <= kLogTail ? text : "..." + text.substr(text.size() - kLogTail);
}

std::string secondsText(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", value);
    return text;
}

// Ends the process with one line when a check outlives its time: a hung plug-in cannot be
// interrupted, but the call it hung in is known.
class Watchdog {
public:
    explicit Watchdog(double seconds) : limit(seconds) {
        if (seconds > 0.0) thread = std::thread([this] { watch(); });
    }
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> hold(lock);
            done = true;
        }
        wake.notify_all();
        if (thread.joinable()) thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    void watch() {
        std::unique_lock<std::mutex> hold(lock);
        if (wake.wait_for(hold, std::chrono::duration<double>(limit), [this] { return done; })) return;
        const char* call = korvex_host::lastFaultCall();
        std::string line = std::string(kChildLinePrefix) + "timed out after " + secondsText(limit);
        if (call) line += ", during " + std::string(call);
        line += "\n";
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        simhost::removeTemporaryPaths();
        std::_Exit(3);
    }

    double limit;
    std::mutex lock;
    std::condition_variable wake;
    bool done = false;
    std::thread thread;
};

// [any thread: atomic] Set by the interruption handler, read by the runner between tests.
std::atomic<bool> gInterrupted{false};

// Runs inside a signal handler: an atomic store and a kill, nothing more.
void onInterrupt() {
    gInterrupted.store(true);
    simhost::endRunningChild();
}

// The children's temporary folder: each child's copies of the plug-in and registry stand-in go
// there, and it is emptied after every child, so a child that crashed or was killed before its
// own cleanup leaves nothing in the user's temporary folder.
class ChildTemporaryFolder {
public:
    ChildTemporaryFolder() {
        const unsigned long long tag = std::random_device{}() * 0x100000000ull + std::random_device{}();
        folder = (std::filesystem::temp_directory_path() / ("korvex-validate-" + std::to_string(tag))).string();
        simhost::rememberTemporaryPath(folder);
        std::filesystem::create_directories(folder);
        setChildTemporaryFolder(folder);
    }
    ~ChildTemporaryFolder() {
        setChildTemporaryFolder({});
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        simhost::forgetTemporaryPath(folder);
    }
    ChildTemporaryFolder(const ChildTemporaryFolder&) = delete;
    ChildTemporaryFolder& operator=(const ChildTemporaryFolder&) = delete;

    void empty() const {
        std::error_code ignored;
        for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
            std::filesystem::remove_all(entry.path(), ignored);
    }

private:
    std::string folder;
};

void writeReports(const Report& report, const RunOptions& options) {
    if (!options.jsonPath.empty()) writeJson(report, options.jsonPath);
    if (!options.junitPath.empty()) writeJunit(report, options.junitPath);
    if (!options.htmlPath.empty()) writeHtml(report, options.htmlPath);
}

// What the files say while a test runs: should the process end there, this is its last word.
void writeReportsBefore(const Report& report, const RunOptions& options, const std::string& name, uint64_t seed) {
    if (options.jsonPath.empty() && options.junitPath.empty() && options.htmlPath.empty()) return;
    Report provisional = report;
    provisional.interrupted = "the run ended during " + name;
    CheckResult running;
    running.name = name;
    running.seed = seed;
    running.status = Status::Failed;
    running.messages.push_back("the run ended during this test: the process crashed or was stopped");
    provisional.results.push_back(std::move(running));
    writeReports(provisional, options);
}

CheckResult skipped(const CheckInfo& check, uint64_t seed, const std::string& reason) {
    CheckResult result;
    result.name = check.name;
    result.seed = seed;
    result.status = Status::Skipped;
    result.messages.push_back(reason);
    return result;
}

// `err`: everything the child wrote to stderr, for its artifact folder.
CheckResult runIsolated(const CheckInfo& check, const RunOptions& options, uint64_t seed,
                        const ChildTemporaryFolder& temporary, std::string& err) {
    const ValidateOptions& validate = options.validate;
    std::vector<std::string> argv{options.executable};
    argv.insert(argv.end(), options.childPrefix.begin(), options.childPrefix.end());
    char timeout[32];
    std::snprintf(timeout, sizeof timeout, "%g", validate.timeoutSeconds);
    argv.insert(argv.end(), {"validate", "--child", check.name, "--seed", std::to_string(seed), "--level",
                             std::to_string(validate.level), "--timeout", timeout, "--probe", validate.probePath});
    if (!validate.blocks.empty()) argv.insert(argv.end(), {"--blocks", validate.blocks});
    if (!validate.rates.empty()) argv.insert(argv.end(), {"--rates", validate.rates});
    if (!options.artifactsDir.empty())
        argv.insert(argv.end(), {"--keep", artifactFolder(options.artifactsDir, check.name, seed, options.repeat)});
    simhost::ChildResult child = simhost::runChild(argv, validate.timeoutSeconds + kParentGraceSeconds);
    // A process that could not even be started ran none of the plug-in: the system was short of
    // something for a moment (seen under Wine on a loaded machine). One more try before that
    // becomes the test's verdict; a second refusal is reported as it is.
    for (int retry = 0; !child.started && retry < kStartRetries; ++retry) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        child = simhost::runChild(argv, validate.timeoutSeconds + kParentGraceSeconds);
    }
    // Beside other test processes the folder is theirs too: it is emptied when the run ends.
    if (options.jobs <= 1) temporary.empty();
    const ChildEnd end = endOf(child);
    CheckResult result = resultOfChild(check.name, seed, end, validate.timeoutSeconds + kParentGraceSeconds);
    result.stack = symbolisedStack(child.err);
    err = std::move(child.err);
    return result;
}

bool isSynth(const CheckResult& load) {
    for (const Figure& figure : load.figures)
        if (figure.name == "synth") return figure.value != 0.0;
    return false;
}

void printResult(std::ostream& out, const CheckResult& result, const std::string& counter) {
    std::string name = result.name;
    name.resize(std::max<size_t>(name.size(), 26), ' ');
    std::string status = statusName(result.status);
    status.resize(8, ' ');
    out << counter << name << status << secondsText(result.seconds) << "\n";
    for (const std::string& message : result.messages) out << "          " << message << "\n";
    out.flush();
}

}  // namespace

std::vector<const CheckInfo*> selectChecks(const RunOptions& options) {
    requireKnown(options.only);
    requireKnown(options.skip);
    std::vector<const CheckInfo*> selected;
    for (const CheckInfo& check : allChecks()) {
        bool chosen = check.level <= options.validate.level;
        // Naming a test asks for it whatever its level.
        if (!options.only.empty()) {
            chosen = false;
            for (const std::string& pattern : options.only) chosen = chosen || matches(check, pattern);
        }
        for (const std::string& pattern : options.skip) chosen = chosen && !matches(check, pattern);
        if (chosen) selected.push_back(&check);
    }
    return selected;
}

CheckResult runCheckHere(const CheckInfo& check, const ValidateOptions& options, uint64_t seed) {
    CheckResult result;
    result.name = check.name;
    const Clock::time_point start = Clock::now();
    {
        CheckContext context(options, seed, result);
        try {
            check.run(context);
        } catch (const CheckAbort& abort) {
            context.fail(abort.what());
        } catch (const std::exception& error) {
            context.fail(std::string("unexpected error: ") + error.what());
        }
        try {
            context.finish();
        } catch (const std::exception& error) {
            context.fail(std::string("after the test: ") + error.what());
        }
    }
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    return result;
}

int runChildCheck(const std::string& name, const ValidateOptions& options, uint64_t seed) {
    korvex_host::installFaultReport("validate");
    const std::string dump = options.keepDir.empty() ? std::string() : options.keepDir + "/crash.dmp";
    // Made now for a crash dump, which has no time to make folders; files still land where they can.
    std::error_code ignored;
    if (!options.keepDir.empty()) std::filesystem::create_directories(options.keepDir, ignored);
    korvex_host::reportCrashStacks(dump.c_str());
    const CheckInfo* check = findCheck(name);
    if (!check) throw std::runtime_error("no test named '" + name + "'");
    CheckResult result;
    {
        Watchdog watchdog(options.timeoutSeconds);
        result = runCheckHere(*check, options, seed);
    }
    std::cout << "\n"
              << kResultMarker
              << resultJson(result).dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << "\n"
              << std::flush;
    return 0;
}

ChildEnd endOf(const simhost::ChildResult& child) {
    ChildEnd end;
    end.started = child.started;
    end.timedOut = child.timedOut;
    end.crashed = child.crashed;
    end.fault = child.started ? child.fault : child.failure;
    end.exitCode = child.exitCode;
    end.seconds = child.seconds;
    end.out = child.out;
    end.err = child.err;
    return end;
}

CheckResult resultOfChild(const std::string& name, uint64_t seed, const ChildEnd& end, double timeoutSeconds) {
    const size_t marker = end.out.rfind(kResultMarker);
    const bool abnormal = !end.started || end.timedOut || end.crashed || end.exitCode != 0;
    CheckResult result;
    if (marker != std::string::npos) {
        const size_t from = marker + sizeof kResultMarker - 1;
        try {
            result = resultFromJson(nlohmann::json::parse(end.out.substr(from, end.out.find('\n', from) - from)));
        } catch (const std::exception& error) {
            result = CheckResult{};
            result.status = Status::Failed;
            result.messages.push_back(std::string("the test process gave an unreadable result: ") + error.what());
        }
    }
    result.name = name;
    result.seed = seed;
    if (marker != std::string::npos && !abnormal) return result;

    if (result.seconds == 0.0) result.seconds = end.seconds;
    result.status = Status::Failed;
    result.log = tail(withoutStack(end.err));
    std::string why;
    if (!end.started) {
        why = "the test process could not start: " + end.fault;
    } else if (end.timedOut) {
        why = "timed out: the test process was killed after " + secondsText(timeoutSeconds);
    } else if (std::string line = childLine(end.err), sanitizer = sanitizerLine(end.err); !sanitizer.empty()) {
        // The sanitizer says what went wrong; the child's last line, where it wrote one, says where.
        constexpr char kStopped[] = "stopped by a sanitizer ";
        why = sanitizer;
        if (line.compare(0, sizeof kStopped - 1, kStopped) == 0) why += "; " + line.substr(sizeof kStopped - 1);
    } else if (!line.empty()) {
        why = line;
    } else if (end.crashed) {
        why = "the test process crashed (" + end.fault + ")";
    } else {
        why = "the test process ended with exit code " + std::to_string(end.exitCode);
        if (std::string last = lastLine(end.err); !last.empty()) why += ": " + last;
    }
    // A result that came before the end still counts; the way the process ended is added to it.
    if (marker != std::string::npos) why = "after the test: " + why;
    else why = why + (why.find("crashed") != std::string::npos || why.find("timed out") != std::string::npos
                          ? ""
                          : " (no result)");
    result.messages.insert(result.messages.begin(), why);
    return result;
}

void applyStrict(CheckResult& result) {
    if (result.status != Status::Warned) return;
    result.status = Status::Failed;
    result.messages.insert(result.messages.begin(), "a warning fails the test in a strict run (--strict)");
}

namespace {

Report emptyReport(const RunOptions& options) {
    Report report;
    report.plugin = options.validate.vstPath;
    report.module = options.validate.modulePath;
    report.level = options.validate.level;
    report.seed = options.seed;
    report.repeat = options.repeat;
    report.timeoutSeconds = options.validate.timeoutSeconds;
    report.command.push_back(options.executable);
    report.command.insert(report.command.end(), options.childPrefix.begin(), options.childPrefix.end());
    return report;
}

}  // namespace

void writeUnloadableReports(const RunOptions& options, const std::string& reason) {
    Report report = emptyReport(options);
    // The load test leads the report even when not selected: it is the one that says why.
    const CheckInfo* loadCheck = findCheck("load");
    std::vector<const CheckInfo*> checks = selectChecks(options);
    if (std::find(checks.begin(), checks.end(), loadCheck) == checks.end()) checks.insert(checks.begin(), loadCheck);
    for (const CheckInfo* check : checks) {
        if (check == loadCheck) {
            CheckResult result;
            result.name = check->name;
            result.seed = options.seed;
            result.status = Status::Failed;
            result.messages.push_back(reason);
            report.results.push_back(std::move(result));
        } else {
            report.results.push_back(skipped(*check, options.seed, "skipped: the plug-in does not load (" + reason + ")"));
        }
    }
    writeReports(report, options);
    if (!options.artifactsDir.empty()) writeSummary(options.artifactsDir, report);
}

int runBattery(const RunOptions& options, std::ostream& out) {
    const std::vector<const CheckInfo*> checks = selectChecks(options);
    const bool terminal = stdoutIsTerminal();
    const Clock::time_point start = Clock::now();
    Report report = emptyReport(options);
    ProgressLine progress(out, terminal, start);

    out << "korvex-host validate " << options.validate.vstPath << "\n"
        << "level " << options.validate.level << ", seed " << options.seed << ", " << checks.size() << " tests"
        << (options.repeat > 1 ? " x " + std::to_string(options.repeat) + " runs" : std::string()) << ", "
        << (options.isolate ? "each in its own process" : "all in this process")
        << (options.isolate && options.jobs > 1 ? ", " + std::to_string(options.jobs) + " at once" : std::string())
        << ", time-out " << secondsText(options.validate.timeoutSeconds) << "\n\n";

    // Children can be stopped and their leftovers removed, so an interruption ends the run
    // gracefully; a check running in this process cannot be, and the default handling ends it.
    std::optional<ChildTemporaryFolder> temporary;
    gInterrupted.store(false);
    if (options.isolate) {
        temporary.emplace();
        korvex_host::setInterruptHandler(onInterrupt);
    }
    // `err`: the child's stderr, for the test's artifact folder.
    const auto run = [&](const CheckInfo& check, uint64_t seed, std::string& err) {
        err.clear();
        if (options.isolate) return runIsolated(check, options, seed, *temporary, err);
        ValidateOptions here = options.validate;
        if (!options.artifactsDir.empty()) here.keepDir = artifactFolder(options.artifactsDir, check.name, seed, options.repeat);
        return runCheckHere(check, here, seed);
    };

    // Every other test needs a plug-in that loads: find out once, first.
    const CheckInfo* loadCheck = findCheck("load");
    writeReportsBefore(report, options, loadCheck->name, options.seed);
    std::string gateErr;
    CheckResult gate = run(*loadCheck, options.seed, gateErr);
    // A gate that is not among the tests chosen still leaves its folder when it failed.
    if (!options.artifactsDir.empty() && std::find(checks.begin(), checks.end(), loadCheck) == checks.end())
        settleArtifacts(options.artifactsDir, report, gate, gateErr);
    const bool loads = gate.status == Status::Passed || gate.status == Status::Warned;
    const bool synth = isSynth(gate);
    std::string noWindow = windowUnavailableReason();
    // Headless CI must not pass an editor it never opened: a display of the run's own, if one can
    // be had, lives until the report is written.
    std::unique_ptr<PrivateDisplay> display;
    const bool wantsWindow =
        std::any_of(checks.begin(), checks.end(), [](const CheckInfo* check) { return check->needs & kNeedsWindow; });
    if (loads && wantsWindow && !noWindow.empty()) {
        std::string why;
        display = startPrivateDisplay(&why);
        if (display) {
            noWindow.clear();
            out << "no display: started a private virtual display " << display->name() << " for the editor tests\n\n";
        } else {
            noWindow = "no display: " + why;
            report.notices.push_back("editor tests skipped: no display (" + why + ")");
        }
    }
    std::string notLoaded = "skipped: the plug-in does not load";
    if (!gate.messages.empty()) notLoaded += " (" + gate.messages.front() + ")";

    // Every test of the run in list order; those the runner can answer itself are answered now.
    struct Job {
        const CheckInfo* check;
        uint64_t seed;
        bool ready = false;
        CheckResult result;
        std::string err;
    };
    std::vector<Job> jobs;
    for (int repeat = 0; repeat < options.repeat; ++repeat) {
        const uint64_t seed = options.seed + static_cast<uint64_t>(repeat);
        for (const CheckInfo* check : checks) {
            Job job{check, seed, false, {}, {}};
            job.ready = true;
            if (check == loadCheck && repeat == 0) {
                job.result = gate;
                job.err = gateErr;
            } else if (check != loadCheck && !loads) {
                job.result = skipped(*check, seed, notLoaded);
            } else if ((check->needs & kNeedsWindow) && !noWindow.empty()) {
                job.result = skipped(*check, seed, "skipped: " + noWindow);
            } else if ((check->needs & kNeedsSynth) && !synth) {
                job.result = skipped(*check, seed, "skipped: the plug-in is not a synth (effFlagsIsSynth is clear)");
            } else {
                job.ready = false;
            }
            jobs.push_back(std::move(job));
        }
    }

    // Workers take the tests in list order; one that needs the machine to itself waits until the
    // others are done, and nothing starts beside it. This thread prints results in list order.
    // After an interruption no test starts; one that was running has no verdict of its own.
    const int workers = options.isolate ? std::max(1, options.jobs) : 1;
    std::mutex lock;
    std::condition_variable changed;
    size_t next = 0, running = 0;
    bool aloneRunning = false;
    bool abandoned = false;  // [guarded by lock] this thread failed (a report it cannot write): no test starts
    const auto alone = [&](size_t index) { return (jobs[index].check->needs & kNeedsAlone) != 0; };
    const auto work = [&] {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            while (next < jobs.size() && jobs[next].ready) ++next;
            changed.wait(hold, [&] {
                while (next < jobs.size() && jobs[next].ready) ++next;
                return next == jobs.size() || gInterrupted.load() || abandoned ||
                       (!aloneRunning && (!alone(next) || running == 0));
            });
            if (next == jobs.size() || gInterrupted.load() || abandoned) {
                changed.notify_all();
                return;
            }
            const size_t index = next++;
            const bool byItself = alone(index);
            ++running;
            aloneRunning = byItself;
            hold.unlock();
            std::string err;
            CheckResult result = run(*jobs[index].check, jobs[index].seed, err);
            hold.lock();
            jobs[index].result = std::move(result);
            jobs[index].err = std::move(err);
            jobs[index].ready = true;
            --running;
            if (byItself) aloneRunning = false;
            changed.notify_all();
        }
    };
    std::vector<std::thread> pool;
    if (workers > 1)
        for (int i = 0; i < workers; ++i) pool.emplace_back(work);

    // A worker still running when this frame unwinds would end the process without a word: when
    // this thread fails, the workers stop, their children end, and the error is what the user sees.
    const auto abandon = [&] {
        {
            const std::lock_guard<std::mutex> hold(lock);
            abandoned = true;
            changed.notify_all();
        }
        if (!pool.empty()) simhost::endRunningChild();
        for (std::thread& worker : pool) worker.join();
        korvex_host::setInterruptHandler(nullptr);
    };
    const size_t total = jobs.size();
    try {
        for (size_t index = 0; index < total && !gInterrupted.load(); ++index) {
            char counter[32];
            std::snprintf(counter, sizeof counter, "[%*zu/%zu] ", static_cast<int>(std::to_string(total).size()),
                          index + 1, total);
            progress.begin(index, total, jobs[index].check->name);
            // A worker sets `ready` under the lock; read it there too.
            bool readyNow = false;
            {
                const std::lock_guard<std::mutex> hold(lock);
                readyNow = jobs[index].ready;
            }
            if (!readyNow) writeReportsBefore(report, options, jobs[index].check->name, jobs[index].seed);
            if (workers == 1 && !readyNow) {
                jobs[index].result = run(*jobs[index].check, jobs[index].seed, jobs[index].err);
                jobs[index].ready = true;
            }
            std::unique_lock<std::mutex> hold(lock);
            changed.wait(hold, [&] { return jobs[index].ready || gInterrupted.load(); });
            progress.end();
            if (!jobs[index].ready || gInterrupted.load()) break;
            CheckResult result = std::move(jobs[index].result);
            const std::string err = std::move(jobs[index].err);
            hold.unlock();
            if (options.strict) applyStrict(result);
            printResult(out, result, counter);
            if (!options.artifactsDir.empty()) settleArtifacts(options.artifactsDir, report, result, err);
            report.results.push_back(std::move(result));
        }
    } catch (...) {
        abandon();
        throw;
    }
    {
        const std::lock_guard<std::mutex> hold(lock);
        changed.notify_all();
    }
    for (std::thread& worker : pool) worker.join();
    korvex_host::setInterruptHandler(nullptr);
    if (gInterrupted.load()) {
        report.interrupted = "interrupted";
        if (terminal) out << "\r\n";
    }
    report.seconds = std::chrono::duration<double>(Clock::now() - start).count();

    writeReports(report, options);
    if (!options.artifactsDir.empty()) writeSummary(options.artifactsDir, report);
    printSummary(out, report);
    out.flush();
    if (gInterrupted.load())
        throw std::runtime_error("validate: interrupted after " + std::to_string(report.results.size()) + " of " +
                                 std::to_string(total) + " tests" +
                                 (options.jsonPath.empty() && options.junitPath.empty() ? ""
                                                                                        : "; the reports hold those"));
    return report.count(Status::Failed) == 0 ? 0 : 1;
}

}  // namespace korvex_validate
