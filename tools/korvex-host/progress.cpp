// Terminal progress bar: a carriage-return redraw of one line, erased when the work is done.
#include "tools/korvex-host/progress.h"

#include <unistd.h>

#include <algorithm>
#include <string>

namespace korvex_host {
namespace {
constexpr int kWidth = 40;
}

bool stderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

ProgressBar::ProgressBar(int64_t total, bool enabled, std::FILE* out)
    : totalUnits(total > 0 ? total : 1), active(enabled), stream(out) {}

ProgressBar::~ProgressBar() { finish(); }

void ProgressBar::update(int64_t done) {
    if (!active) return;
    const int percent = static_cast<int>(100 * std::min(done, totalUnits) / totalUnits);
    if (percent == shownPercent) return;
    shownPercent = percent;
    const int filled = percent * kWidth / 100;
    const std::string bar = std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(stream, "\r[%s] %3d%%", bar.c_str(), percent);
    std::fflush(stream);
}

void ProgressBar::finish() {
    if (!active) return;
    if (shownPercent >= 0) std::fprintf(stream, "\r%*s\r", kWidth + 8, "");
    std::fflush(stream);
    active = false;
}

}  // namespace korvex_host
