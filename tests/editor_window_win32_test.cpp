// Win32 only: the reference editor when another window takes the mouse in the middle of a drag,
// which X11 does not allow (the drag's implicit grab keeps the pointer until the release).
#include "editor_window.h"
#include "mouse_capture_win32.h"
#include "plugins/reference/parameters.h"
#include "simhost/sim_automation.h"

namespace {

using editor_testing::EditorWindow;

constexpr int kTouch = 7;
constexpr int kSetValue = 5;
constexpr int kRelease = 8;

// A menu, a dialog or the system on a switch to another program takes the capture; the button's
// release then goes to that window, so the editor must end the gesture when it loses the mouse.
TEST_F(EditorWindow, ADragEndsWhereItWasWhenAnotherWindowTakesTheMouse) {
    openReference();
    const reference::Box bar = reference::barBox(reference::kCutoff);
    const int32_t y = bar.y + bar.height / 2;
    simhost::SimAutomation& automation = instance->automation();
    automation.recorder.clear();
    ASSERT_TRUE(window().pointer(simhost::PointerAction::press, bar.x + 30, y));
    ASSERT_TRUE(window().pointer(simhost::PointerAction::move, bar.x + 90, y));
    editor->tick(1);
    ASSERT_EQ(automation.recorder.countOf(kTouch), automation.recorder.countOf(kRelease) + 1);

    display_testing::takeMouse(window().handle());
    EXPECT_EQ(automation.recorder.countOf(kTouch), automation.recorder.countOf(kRelease));
    EXPECT_EQ(automation.recorder.last(), simhost::call(kRelease, "cutoff"));
    EXPECT_FALSE(automation.isTouched("cutoff"));

    // The release reaches the window that took the mouse; the editor sends nothing more.
    const size_t calls = automation.recorder.calls().size();
    ASSERT_TRUE(window().pointer(simhost::PointerAction::release, bar.x + 200, y));
    display_testing::releaseMouse();
    editor->tick(1);
    EXPECT_EQ(automation.recorder.calls().size(), calls);
    EXPECT_EQ(automation.recorder.countOf(kSetValue), 2u);
    EXPECT_EQ(instance->pump(), 2u);
    EXPECT_FLOAT_EQ(static_cast<float>(instance->findParameter("cutoff")->value), reference::valueAt(bar.x + 90));
}

}  // namespace
