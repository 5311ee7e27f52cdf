// Editors in real windows through the built module, on a display of the test's own: the reference
// editor's bars and what a click on them becomes, the window following the view size, and
// open/close cycles that leave nothing behind.
#include "editor_window.h"
#include "plugins/reference/parameters.h"
#include "simhost/sim_automation.h"

namespace {

using editor_testing::EditorWindow;
using editor_testing::effectOf;
using editor_testing::referencePlugin;
using reference::barBox;
using reference::rowBox;
using window_testing::differences;

constexpr int32_t kCutoff = reference::kCutoff;
// Automation entries of the host: touch, set-value request, release.
constexpr int kTouch = 7;
constexpr int kSetValue = 5;
constexpr int kRelease = 8;

TEST_F(EditorWindow, ReferenceEditorShowsEveryParameterAsABarFilledToItsValue) {
    openReference();
    AEffect* effect = effectOf(*instance);
    const simhost::WindowImage image = window().capture();
    ASSERT_EQ(image.width, reference::kEditorWidth);
    ASSERT_EQ(image.height, reference::kEditorHeight);
    for (int32_t i = 0; i < reference::kParamCount; ++i) expectBarShows(image, i, effect->getParameter(effect, i));
}

// A click on a bar: the plug-in's begin edit, automate and end edit become the host's touch,
// set-value request and release; the host's answer reaches the plug-in, and the bar shows it.
TEST_F(EditorWindow, AClickOnABarBecomesHostAutomationAndThePluginsValue) {
    openReference();
    AEffect* effect = effectOf(*instance);
    const reference::Box bar = barBox(kCutoff);
    const int32_t x = bar.x + bar.width / 4;
    const float expected = reference::valueAt(x);
    ASSERT_NE(effect->getParameter(effect, kCutoff), expected);
    simhost::SimAutomation& automation = instance->automation();
    automation.recorder.clear();

    click(x, bar.y + bar.height / 2);

    const auto calls = automation.recorder.calls();
    ASSERT_EQ(calls.size(), 5u) << ::testing::PrintToString(calls);
    EXPECT_EQ(calls[0], simhost::call(kTouch, "cutoff"));
    EXPECT_EQ(calls[2], simhost::call(kSetValue, "cutoff", static_cast<double>(expected)));
    EXPECT_EQ(calls[4], simhost::call(kRelease, "cutoff"));
    EXPECT_FALSE(automation.isTouched("cutoff"));

    EXPECT_EQ(instance->pump(), 1u);
    EXPECT_EQ(instance->findParameter("cutoff")->value, static_cast<double>(expected));
    EXPECT_EQ(effect->getParameter(effect, kCutoff), expected);
    editor->tick(1);
    expectBarShows(window().capture(), kCutoff, expected);
}

TEST_F(EditorWindow, ADragFollowsThePointerBeyondTheBarAndEndsWithOneRelease) {
    openReference();
    const reference::Box bar = barBox(kCutoff);
    const int32_t y = bar.y + bar.height / 2;
    simhost::SimAutomation& automation = instance->automation();
    automation.recorder.clear();

    using simhost::PointerAction;
    ASSERT_TRUE(window().pointer(PointerAction::press, bar.x + 20, y));
    ASSERT_TRUE(window().pointer(PointerAction::move, bar.x + 140, y + 30));  // rows below do not matter
    ASSERT_TRUE(window().pointer(PointerAction::move, bar.x + bar.width + 40, y));
    ASSERT_TRUE(window().pointer(PointerAction::release, bar.x + bar.width + 40, y));
    editor->tick(1);

    std::vector<double> requested;
    for (const simhost::RecordedCall& call : automation.recorder.calls())
        if (call.entry == kSetValue) requested.push_back(std::stod(call.arguments.at(1)));
    ASSERT_EQ(requested.size(), 3u);
    EXPECT_FLOAT_EQ(requested[0], reference::valueAt(bar.x + 20));
    EXPECT_FLOAT_EQ(requested[1], reference::valueAt(bar.x + 140));
    EXPECT_EQ(requested[2], 1.0);
    EXPECT_EQ(automation.recorder.countOf(kRelease), automation.recorder.countOf(kTouch));
    EXPECT_FALSE(automation.isTouched("cutoff"));
    EXPECT_EQ(instance->pump(), 3u);
    EXPECT_EQ(instance->findParameter("cutoff")->value, 1.0);
}

TEST_F(EditorWindow, ClosingTheEditorInTheMiddleOfADragReleasesTheParameter) {
    openReference();
    const reference::Box bar = barBox(kCutoff);
    simhost::SimAutomation& automation = instance->automation();
    automation.recorder.clear();
    ASSERT_TRUE(window().pointer(simhost::PointerAction::press, bar.x + 30, bar.y + 2));
    editor->tick(1);
    // The automate inside the gesture is a touch-set-release of its own (the module makes it so);
    // the begin edit's touch is still open.
    ASSERT_EQ(automation.recorder.countOf(kTouch), automation.recorder.countOf(kRelease) + 1);

    editor->detach();
    EXPECT_EQ(automation.recorder.countOf(kTouch), automation.recorder.countOf(kRelease));
    EXPECT_EQ(automation.recorder.last(), simhost::call(kRelease, "cutoff"));
    // The button is still down on the display; let it go so the next test starts clean.
    std::unique_ptr<simhost::NativeWindow> other = simhost::NativeWindow::create(10, 10, nullptr);
    ASSERT_NE(other, nullptr);
    other->pointer(simhost::PointerAction::release, 0, 0);
}

// A value the host delivers shows at the editor's next idle, in that parameter's row only.
TEST_F(EditorWindow, AHostValueIsDrawnAtTheNextIdleInItsOwnRowOnly) {
    openReference();
    const simhost::WindowImage before = window().capture();
    ASSERT_EQ(instance->setParameter("cutoff", 0.1), 0);
    EXPECT_EQ(differences(before, window().capture(), rowBox(kCutoff)).inside, 0)
        << "the plug-in draws at idle, not from setParameter";

    editor->tick(1);
    const simhost::WindowImage after = window().capture();
    EXPECT_EQ(differences(before, after, rowBox(kCutoff)).outside, 0);
    EXPECT_GT(differences(before, after, barBox(kCutoff)).inside, 0);
    expectBarShows(after, kCutoff, 0.1f);
}

TEST_F(EditorWindow, TheWindowTakesTheSizeTheModuleReportsAndFollowsIt) {
    recording::RecordingConfig config;
    config.editorRect = ERect{0, 0, 120, 200};
    startRecording(config);
    openEditor();
    ASSERT_EQ(editor->openWindow(), 0);
    EXPECT_EQ(window().width(), 200);
    EXPECT_EQ(window().height(), 120);
    const std::vector<recording::RecordedCall> opened = log->dispatches(effEditOpen);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].ptr, window().handle());

    hook<KorvexRecordingSetEditorRectProc>("korvexRecordingSetEditorRect")(effectOf(*instance),
                                                                            ERect{10, 10, 160, 270});
    editor->tick(1);
    EXPECT_EQ(window().width(), 260);
    EXPECT_EQ(window().height(), 150);
    const simhost::WindowImage image = window().capture();
    EXPECT_EQ(image.width, 260);
    EXPECT_EQ(image.height, 150);
}

TEST_F(EditorWindow, WithoutADisplayThePluginIsHandedNothing) {
    startRecording();
    openEditor();
    display_testing::NoDisplay none;
    if (!none.active()) GTEST_SKIP() << "this system always has a display";
    EXPECT_THROW(editor->openWindow(), simhost::NoWindowError);
    EXPECT_FALSE(editor->isAttached());
    EXPECT_EQ(editor->window(), nullptr);
    EXPECT_TRUE(log->dispatches(effEditOpen).empty());
    EXPECT_EQ(simhost::liveNativeWindows(), 0);
}

// Twenty editors opened and closed leave nothing behind.
TEST_F(EditorWindow, TheReferenceEditorOpenedAndClosedTwentyTimesLeavesNothing) {
    start(referencePlugin());
    expectTwentyCyclesLeaveNothing();
}

}  // namespace
