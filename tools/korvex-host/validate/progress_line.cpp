// The redrawn progress line and the thread that ticks it while a test runs.
#include "tools/korvex-host/validate/progress_line.h"

#include <cstdio>

namespace korvex_validate {
namespace {

std::string duration(double seconds) {
    const long whole = static_cast<long>(seconds);
    char text[32];
    if (whole < 60) std::snprintf(text, sizeof text, "%ld s", whole);
    else std::snprintf(text, sizeof text, "%ld min %02ld s", whole / 60, whole % 60);
    return text;
}

}  // namespace

ProgressLine::ProgressLine(std::ostream& out, bool terminal, Clock::time_point runStart)
    : stream(out), active(terminal), start(runStart) {}

ProgressLine::~ProgressLine() { end(); }

std::string ProgressLine::text(size_t done, size_t total, const std::string& name, double testSeconds,
                               double runSeconds) {
    return "[" + std::to_string(done) + "/" + std::to_string(total) + " done] " + name + "  " + duration(testSeconds) +
           ", " + duration(runSeconds) + " in all";
}

void ProgressLine::draw() {
    const Clock::time_point now = Clock::now();
    const std::string line = text(doneCount, totalCount, current,
                                  std::chrono::duration<double>(now - testStart).count(),
                                  std::chrono::duration<double>(now - start).count());
    // Shorter than the last one drawn: blanks cover what is left of it.
    stream << "\r" << line << std::string(drawnLength > line.size() ? drawnLength - line.size() : 0, ' ') << std::flush;
    drawnLength = line.size();
}

void ProgressLine::begin(size_t done, size_t total, const std::string& name) {
    if (!active) return;
    end();
    std::unique_lock<std::mutex> hold(lock);
    doneCount = done;
    totalCount = total;
    current = name;
    testStart = Clock::now();
    running = true;
    draw();
    hold.unlock();
    ticker = std::thread([this] {
        std::unique_lock<std::mutex> held(lock);
        while (!wake.wait_for(held, std::chrono::seconds(1), [this] { return !running; })) draw();
    });
}

void ProgressLine::end() {
    if (!active) return;
    {
        std::lock_guard<std::mutex> hold(lock);
        running = false;
    }
    wake.notify_all();
    if (ticker.joinable()) ticker.join();
    if (drawnLength > 0) stream << "\r" << std::string(drawnLength, ' ') << "\r" << std::flush;
    drawnLength = 0;
}

}  // namespace korvex_validate
