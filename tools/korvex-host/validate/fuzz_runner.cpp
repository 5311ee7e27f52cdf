// The parent side of `validate --fuzz`: a display for the editors, one child per sequence, a
// running count, and on the first failure the seed to replay it with and what both sides went
// through.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "simhost/child_process.h"
#include "tools/korvex-host/validate/crash_stack.h"
#include "tools/korvex-host/validate/environment.h"
#include "tools/korvex-host/validate/fuzz.h"

namespace korvex_validate {
namespace {

using Clock = std::chrono::steady_clock;

// A sequence is short; one that takes this long has hung.
constexpr double kSequenceLimitSeconds = 30.0;
constexpr double kParentGraceSeconds = 10.0;
constexpr double kCountEverySeconds = 5.0;  // the running count, where output is no terminal
constexpr size_t kLogLines = 60;            // the end of a failing sequence's log

std::string lastLines(const std::string& text, size_t count) {
    size_t at = text.size();
    for (size_t found = 0; at > 0 && found <= count;) {
        at = text.rfind('\n', at - 1);
        if (at == std::string::npos) return text;
        ++found;
    }
    return text.substr(at + 1);
}

}  // namespace

int runFuzz(const RunOptions& options, double seconds, std::ostream& out) {
    const ValidateOptions& validate = options.validate;
    const double limit = std::min(validate.timeoutSeconds, kSequenceLimitSeconds);
    const bool terminal = stdoutIsTerminal();
    out << "korvex-host validate --fuzz " << seconds << " " << validate.vstPath << "\n"
        << "random host-call sequences through the module and the probe, seeds from " << options.seed
        << ", each in its own process, time limit " << limit << " s\n";
    // Sequences open editors too; where there is no display, one of the run's own serves every
    // child (they inherit DISPLAY), so a headless CI fuzzes editors as a desktop does.
    const bool needsDisplay = !windowUnavailableReason().empty();
    std::string why;
    const std::unique_ptr<PrivateDisplay> display = needsDisplay ? startPrivateDisplay(&why) : nullptr;
    const bool editorsFuzzed = !needsDisplay || display;
    if (display) out << "no display: started a private virtual display " << display->name() << " for the editors\n";
    if (!editorsFuzzed) out << "editors not fuzzed: no display (" << why << ")\n";
    out.flush();
    const Clock::time_point start = Clock::now();
    Clock::time_point lastCount = start;
    char limitText[32];
    std::snprintf(limitText, sizeof limitText, "%g", limit);
    uint64_t count = 0;
    double editorsOpened = 0.0;
    bool noEditor = false;
    bool noWindow = false;  // a child could not make an editor's window (Wine without an X display)
    for (;;) {
        const uint64_t seed = options.seed + count;
        std::vector<std::string> argv{options.executable};
        argv.insert(argv.end(), options.childPrefix.begin(), options.childPrefix.end());
        argv.insert(argv.end(), {"validate", "--child", kFuzzCheckName, "--seed", std::to_string(seed), "--timeout",
                                 limitText, "--probe", validate.probePath});
        const simhost::ChildResult child = simhost::runChild(argv, limit + kParentGraceSeconds);
        const ChildEnd end = endOf(child);
        const CheckResult result = resultOfChild(kFuzzCheckName, seed, end, limit + kParentGraceSeconds);
        ++count;
        for (const Figure& figure : result.figures)
            if (figure.name == "editors_opened") editorsOpened += figure.value;
            else if (figure.name == "no_editor") noEditor = true;
            else if (figure.name == "no_window") noWindow = true;
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        if (result.status == Status::Failed) {
            if (terminal) out << "\n";
            // The raw frames of a crash would crowd the sequence out of its own log: they are
            // shown once, symbolised, after it.
            const std::string log = lastLines(withoutStack(child.err), kLogLines);
            const std::string stack = symbolisedStack(child.err);
            out << "sequence " << count << " failed (seed " << seed << "): "
                << (result.messages.empty() ? std::string("no reason given") : result.messages.front()) << "\n"
                << "the sequence, host calls and what the plug-in received after each:\n"
                << log << (log.empty() || log.back() == '\n' ? "" : "\n");
            if (!stack.empty()) out << "the crashing thread's call stack:\n" << stack << (stack.back() == '\n' ? "" : "\n");
            out << "replay it: korvex-host --vst " << validate.vstPath << " validate --fuzz 0 --seed " << seed << "\n";
            out.flush();
            return 1;
        }
        const bool over = seconds <= 0.0 || elapsed >= seconds;
        if (terminal) {
            out << "\r" << count << " sequences, none failed" << std::flush;
        } else if (over || std::chrono::duration<double>(Clock::now() - lastCount).count() >= kCountEverySeconds) {
            out << count << " sequences, none failed\n" << std::flush;
            lastCount = Clock::now();
        }
        if (over) break;
    }
    if (terminal) out << "\n";
    char text[128];
    std::snprintf(text, sizeof text, "%llu sequences in %.1f s, ", static_cast<unsigned long long>(count),
                  std::chrono::duration<double>(Clock::now() - start).count());
    out << text;
    // Said where editors could be opened, so a run that opened none shows why.
    if (noEditor && editorsOpened == 0.0) out << "the plug-in has no editor, ";
    else if (noWindow && editorsOpened == 0.0) out << "editors not fuzzed: no window could be made, ";
    else if (editorsFuzzed) out << static_cast<long long>(editorsOpened) << " editors opened, ";
    out << "none failed\n";
    out.flush();
    return 0;
}

}  // namespace korvex_validate
