// Progress on stderr: a carriage-return redraw on a terminal, dated-free plain lines in logs.
#include "tools/korvex-host/progress.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <string>

namespace korvex_host {
namespace {
constexpr int kWidth = 40;
}

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

ProgressBar::ProgressBar(int64_t total, bool onTerminal, std::string what, std::FILE* out)
    : totalUnits(total > 0 ? total : 1),
      terminal(onTerminal),
      label(std::move(what)),
      stream(out),
      start(Clock::now()),
      lastLine(start) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(int64_t done, Clock::time_point now) {
    if (finished || now - start < kQuietTime) return;
    const int percent = static_cast<int>(100 * std::min(done, totalUnits) / totalUnits);
    if (terminal) {
        if (percent == shownPercent) return;
        shownPercent = percent;
        const int filled = percent * kWidth / 100;
        const std::string bar =
            std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kWidth - filled), '.');
        std::fprintf(stream, "\r[%s] %3d%%", bar.c_str(), percent);
        drawn = true;
    } else {
        // The first line once the quiet time is over, then one per interval.
        if (shownPercent >= 0 && now - lastLine < kLogInterval) return;
        shownPercent = percent;
        lastLine = now;
        const long long seconds = std::llround(std::chrono::duration<double>(now - start).count());
        std::fprintf(stream, "korvex-host: %s: %d%% after %lld s\n", label.c_str(), percent, seconds);
    }
    std::fflush(stream);
}

void ProgressBar::finish() {
    if (finished) return;
    finished = true;
    if (terminal && drawn) {
        std::fprintf(stream, "\r%*s\r", kWidth + 8, "");
        std::fflush(stream);
    }
}

}  // namespace korvex_host
