// A display of the test process's own for tests that open real windows: a private virtual X
// server (Xvfb) on Linux, started once and gone with the process; the desktop on Windows.
#pragma once

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

namespace display_testing {

// True when this process has a display (starting it at the first call); false with the reason
// when none can be had. Child processes inherit it.
bool haveDisplay(std::string* reason);

// Windows on the display now, at every depth: the host's and those every plug-in made.
int32_t windowCount();

// While one lives, this process and its children see no display at all.
class NoDisplay {
public:
    NoDisplay();
    ~NoDisplay();
    NoDisplay(const NoDisplay&) = delete;
    NoDisplay& operator=(const NoDisplay&) = delete;
    // False where a display cannot be hidden (Windows always has its desktop).
    bool active() const { return hidden; }

private:
    std::string saved;
    bool hidden = false;
};

}  // namespace display_testing

// Skips the current test, saying why, when no display can be had.
#define KORVEX_REQUIRE_DISPLAY()                                          \
    do {                                                                  \
        std::string noDisplayReason;                                      \
        if (!display_testing::haveDisplay(&noDisplayReason))              \
            GTEST_SKIP() << "no display for this test: " << noDisplayReason; \
    } while (0)
