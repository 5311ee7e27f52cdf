// A progress bar on stderr for long renders, drawn only when stderr is a terminal.
#pragma once

#include <cstdint>
#include <cstdio>

namespace korvex_host {

class ProgressBar {
public:
    // enabled: draw at all; pass stderrIsTerminal() for the usual behaviour.
    ProgressBar(int64_t total, bool enabled, std::FILE* out = stderr);
    ~ProgressBar();  // clears the bar if it was drawn and not finished
    ProgressBar(const ProgressBar&) = delete;
    ProgressBar& operator=(const ProgressBar&) = delete;

    // Redraws only when the shown percentage changes, so a render of many small blocks stays cheap.
    void update(int64_t done);
    // Erases the bar, leaving the line free for the summary.
    void finish();

private:
    int64_t totalUnits;
    bool active;
    std::FILE* stream;
    int shownPercent = -1;
};

bool stderrIsTerminal();

}  // namespace korvex_host
