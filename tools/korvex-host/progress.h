// Progress of long work on stderr: nothing for work that ends within a few seconds; then a bar
// redrawn in place on a terminal, or a plain line now and then where stderr is a log (CI).
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

namespace korvex_host {

class ProgressBar {
public:
    using Clock = std::chrono::steady_clock;

    // terminal: redraw one line in place; else print a plain line every kLogInterval.
    // label: what the lines say is progressing ("render").
    ProgressBar(int64_t total, bool terminal, std::string label = "render", std::FILE* out = stderr);
    ~ProgressBar();  // clears the bar if it was drawn and not finished
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Cheap when nothing is due; `now` is for tests.
    void update(int64_t done, Clock::time_point now = Clock::now());
    // Erases the bar, leaving the line free for the summary.
    void finish();

    static constexpr std::chrono::seconds kQuietTime{3};
    static constexpr std::chrono::seconds kLogInterval{10};

private:
    int64_t totalUnits;
    bool terminal;
    std::string label;
    std::FILE* stream;
    Clock::time_point start;
    Clock::time_point lastLine;
    bool drawn = false;
    bool finished = false;
    int shownPercent = -1;
};

bool stderrIsTerminal();

}  // namespace korvex_host
