// Progress of a long run on a terminal: the test running, how many are done and the time spent,
// on one line redrawn every second and cleared when the test's result is printed. Off a terminal
// (CI logs) it draws nothing: the runner's plain result lines are the progress there.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>

namespace korvex_validate {

class ProgressLine {
public:
    using Clock = std::chrono::steady_clock;

    ProgressLine(std::ostream& out, bool terminal, Clock::time_point runStart);
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // `done` tests of `total` have ended; `name` starts now.
    void begin(size_t done, size_t total, const std::string& name);
    // Clears the line so the result can take its place.
    void end();

    // The line as drawn: "[3/25 done] render.direct  4 s, 1 min 12 s in all".
    static std::string text(size_t done, size_t total, const std::string& name, double testSeconds,
                            double runSeconds);

private:
    void draw();  // with lock held

    std::ostream& stream;
    bool active;
    Clock::time_point start;
    Clock::time_point testStart;
    std::string current;
    size_t doneCount = 0, totalCount = 0;
    size_t drawnLength = 0;
    std::mutex lock;  // the stream and the fields above, between the runner and the ticker
    std::condition_variable wake;
    bool running = false;
    std::thread ticker;
};

}  // namespace korvex_validate
