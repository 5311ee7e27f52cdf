// What the window tests share: an effect instance whose editor opens in a real window on the
// test's own display, with pointer input, picture checks and an open/close cycle check.
#pragma once

#include <chrono>
#include <string>
#include <thread>

#include "editor_setup.h"
#include "plugins/reference/editor_layout.h"
#include "simhost/host_object.h"
#include "virtual_display.h"
#include "window_pictures.h"

namespace editor_testing {

inline std::string referencePlugin() { return simhost::defaultInstallFolder() + "/VST64/KORVEX.dll"; }

class EditorWindow : public EditorTest {
protected:
    void SetUp() override { KORVEX_REQUIRE_DISPLAY(); }

    // The reference plug-in's editor open in a real window, drawn once.
    void openReference() {
        start(referencePlugin());
        openEditor();
        ASSERT_EQ(editor->openWindow(), 0);
        editor->tick(1);
    }

    simhost::NativeWindow& window() { return *editor->window(); }

    // A click as a user makes it: press and release at one point, then the editor's idle.
    void click(int32_t x, int32_t y) {
        ASSERT_TRUE(window().pointer(simhost::PointerAction::press, x, y));
        ASSERT_TRUE(window().pointer(simhost::PointerAction::release, x, y));
        editor->tick(1);
    }

    // The bar of `index` in a picture is filled exactly to `value`.
    static void expectBarShows(const simhost::WindowImage& image, int32_t index, float value) {
        const reference::Box bar = reference::barBox(index);
        const int32_t filled = reference::filledWidth(value);
        const int32_t y = bar.y + bar.height / 2;
        if (filled > 0) {
            EXPECT_EQ(image.pixel(bar.x + filled - 1, y), reference::kFillColour) << "bar " << index;
        }
        if (filled < bar.width) {
            EXPECT_EQ(image.pixel(bar.x + filled, y), reference::kTrackColour) << "bar " << index;
        }
    }

    // Ticks as a host's timer would, until the picture shows a drawn editor or time runs out.
    bool tickUntilDrawn(int32_t maxTicks) {
        for (int32_t i = 0; i < maxTicks; ++i) {
            editor->tick(1);
            if (window_testing::isDrawn(window().capture())) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
        return false;
    }

    // Twenty editors opened and closed in the started instance leave no window on the display,
    // no window of the host's and no host object the module still holds.
    void expectTwentyCyclesLeaveNothing() {
        openEditor();
        const int32_t windows = display_testing::windowCount();
        const int32_t hostObjects = simhost::liveHostObjects();
        for (int32_t i = 0; i < 20; ++i) {
            ASSERT_EQ(editor->openWindow(), 0);
            editor->tick(2);
            ASSERT_EQ(editor->detach(), 0);
        }
        // The last container stays with SimEditor until its next attach; the module holds none.
        EXPECT_EQ(editor->container()->references(), 1);
        EXPECT_EQ(simhost::liveHostObjects(), hostObjects + 1);
        EXPECT_EQ(simhost::liveNativeWindows(), 0);
        EXPECT_EQ(display_testing::windowCount(), windows);
    }
};

}  // namespace editor_testing
