// The simulated host's native windows on a display of the test's own: size, pixels, resizing,
// the tally of live windows, and the one-line answer when there is no display.
#include <gtest/gtest.h>

#include <string>

#include "simhost/native_window.h"
#include "virtual_display.h"

namespace {

using simhost::NativeWindow;

constexpr uint32_t kEmptyWindow = 0x202020;

bool allPixelsAre(const simhost::WindowImage& image, uint32_t colour) {
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (image.pixel(x, y) != colour) return false;
    return true;
}

TEST(NativeWindow, IsAWindowOfTheAskedSizeUntilDestroyed) {
    KORVEX_REQUIRE_DISPLAY();
    const int32_t windowsBefore = display_testing::windowCount();
    std::string error;
    std::unique_ptr<NativeWindow> window = NativeWindow::create(320, 200, &error);
    ASSERT_NE(window, nullptr) << error;
    EXPECT_NE(window->handle(), nullptr);
    EXPECT_EQ(simhost::liveNativeWindows(), 1);
    EXPECT_GT(display_testing::windowCount(), windowsBefore);

    const simhost::WindowImage image = window->capture();
    EXPECT_EQ(image.width, 320);
    EXPECT_EQ(image.height, 200);
    EXPECT_TRUE(allPixelsAre(image, kEmptyWindow)) << "an empty window shows only its background";

    window->resize(150, 90);
    window->pumpEvents();
    EXPECT_EQ(window->width(), 150);
    EXPECT_EQ(window->height(), 90);
    const simhost::WindowImage smaller = window->capture();
    EXPECT_EQ(smaller.width, 150);
    EXPECT_EQ(smaller.height, 90);

    window.reset();
    EXPECT_EQ(simhost::liveNativeWindows(), 0);
    EXPECT_EQ(display_testing::windowCount(), windowsBefore);
}

// Reading pixels beyond the screen's edge is an error on X11; the part there stays background.
TEST(NativeWindow, AWindowWiderThanTheScreenIsStillCapturedWhole) {
    KORVEX_REQUIRE_DISPLAY();
    std::unique_ptr<NativeWindow> window = NativeWindow::create(4000, 40, nullptr);
    ASSERT_NE(window, nullptr);
    const simhost::WindowImage image = window->capture();
    EXPECT_EQ(image.width, 4000);
    EXPECT_EQ(image.height, 40);
    EXPECT_TRUE(allPixelsAre(image, kEmptyWindow));
}

TEST(NativeWindow, RefusesSizesNoWindowCanHave) {
    for (auto [width, height] : {std::pair{0, 10}, std::pair{10, 0}, std::pair{-5, 10},
                                 std::pair{simhost::kMaxWindowExtent + 1, 10}}) {
        std::string error;
        EXPECT_EQ(NativeWindow::create(width, height, &error), nullptr) << width << " x " << height;
        EXPECT_NE(error.find("no window of"), std::string::npos) << error;
    }
    EXPECT_EQ(simhost::liveNativeWindows(), 0);
}

TEST(NativeWindow, ResizingOutOfRangeKeepsTheSize) {
    KORVEX_REQUIRE_DISPLAY();
    std::unique_ptr<NativeWindow> window = NativeWindow::create(64, 48, nullptr);
    ASSERT_NE(window, nullptr);
    window->resize(0, 48);
    window->resize(64, simhost::kMaxWindowExtent + 1);
    EXPECT_EQ(window->capture().width, 64);
    EXPECT_EQ(window->capture().height, 48);
}

TEST(NativeWindow, WithoutADisplayTheAnswerIsOneLineNamingTheWayOut) {
    display_testing::NoDisplay none;
    if (!none.active()) GTEST_SKIP() << "this system always has a display";
    std::string error;
    EXPECT_EQ(NativeWindow::create(100, 100, &error), nullptr);
    EXPECT_NE(error.find("DISPLAY"), std::string::npos) << error;
    EXPECT_NE(error.find("xvfb-run"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

}  // namespace
