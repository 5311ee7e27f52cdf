// The editor's messages to the wrapped plug-in, seen by the recording plug-in through the built
// module: opening, closing, idling, redrawing and sizing the plug-in's editor.
#include <cmath>
#include <limits>

#include "acf/result_codes.h"
#include "editor_setup.h"
#include "simhost/sim_automation.h"
#include "simhost/sim_controller.h"
#include "simhost/sim_instance_unknown.h"

namespace {

using editor_testing::EditorTest;
using recording::RecordedCall;
using recording::RecordingConfig;

using EditorMessages = EditorTest;

TEST_F(EditorMessages, AttachingANativeWindowOpensThePluginEditorInOrder) {
    startRecording();
    openEditor();
    ASSERT_EQ(editor->initializeResult(), 0);
    const uint32_t mark = log->size();
    EXPECT_EQ(editor->attachPretendWindow(), 0);

    const std::vector<RecordedCall> sent = dispatchesFrom(mark);
    ASSERT_EQ(opcodes(sent), (std::vector<int32_t>{kPrivateEditorPrepare, effEditGetRect, effEditOpen,
                                                    kPrivateEditorRedraw}));
    EXPECT_EQ(sent[0].opt, 1.0f);
    EXPECT_NE(sent[1].ptr, nullptr);
    EXPECT_EQ(sent[2].ptr, editor->pretendWindow());
    EXPECT_EQ(sent[3].ptr, nullptr);
    EXPECT_EQ(sent[3].opt, 0.0f);
    // The module asked the container for its kind before it asked for the window.
    const auto asked = editor->container()->recorder.calls();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].entry, 3);
    EXPECT_EQ(asked[1].entry, 4);

    const uint32_t ticked = log->size();
    EXPECT_EQ(editor->tick(3), 3);
    EXPECT_EQ(opcodes(dispatchesFrom(ticked)), (std::vector<int32_t>{effEditIdle, effEditIdle, effEditIdle}));
}

TEST_F(EditorMessages, DetachingSendsTheClosingKeyThenClosesTheEditor) {
    startRecording();
    openEditor();
    editor->attachPretendWindow();
    const uint32_t mark = log->size();
    EXPECT_EQ(editor->detach(), 0);

    const std::vector<RecordedCall> sent = dispatchesFrom(mark);
    ASSERT_EQ(opcodes(sent), (std::vector<int32_t>{effEditKeyDown, effEditClose}));
    EXPECT_EQ(sent[0].index, 50);
    EXPECT_EQ(sent[0].value, 26);
}

TEST_F(EditorMessages, ContainersOfOtherKindsOpenNothing) {
    startRecording();
    openEditor();
    const uint32_t mark = log->size();
    for (int32_t kind : {0, 1, 2, 4, -3}) {
        EXPECT_EQ(editor->attach(kind, editor->pretendWindow()), 0);
        EXPECT_EQ(editor->container()->recorder.countOf(4), 0u) << "kind " << kind << " was asked for its window";
    }
    // An unknown that is no view container at all leaves the proxy without a host: kind 0.
    auto* notAContainer = new simhost::SimAutomation;
    EXPECT_EQ(editor->attachUnknown(notAContainer), 0);
    notAContainer->Release();
    EXPECT_TRUE(dispatchesFrom(mark).empty());
}

TEST_F(EditorMessages, RedrawRectanglesAreTruncatedTowardZeroAndClampedTo16Bits) {
    startRecording();
    openEditor();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float top, left, width, height;
        ERect expected;
    };
    const Case cases[] = {
        {10.7f, 20.2f, 100.9f, 50.5f, {10, 20, 61, 121}},
        {-10.7f, -0.9f, 0.5f, 5.0f, {-10, 0, -5, 0}},  // toward zero, not down
        {-1.0e6f, 40000.0f, 1.0e9f, 2.0f, {-32768, 32767, -32768, 32767}},
        {32767.9f, -32768.9f, 0.0f, 0.0f, {32767, -32768, 32767, -32768}},
        {nan, inf, -inf, 1.0f, {0, 32767, 0, 0}},
    };
    for (const Case& c : cases) {
        const uint32_t mark = log->size();
        EXPECT_EQ(editor->redraw(c.top, c.left, c.width, c.height), 0);
        const std::vector<RecordedCall> sent = dispatchesFrom(mark);
        ASSERT_EQ(opcodes(sent), std::vector<int32_t>{kPrivateEditorRedraw});
        EXPECT_NE(sent[0].ptr, nullptr);
        const ERect& got = sent[0].rect;
        EXPECT_EQ(got.top, c.expected.top) << "top " << c.top;
        EXPECT_EQ(got.left, c.expected.left) << "left " << c.left;
        EXPECT_EQ(got.bottom, c.expected.bottom) << "top " << c.top << " + height " << c.height;
        EXPECT_EQ(got.right, c.expected.right) << "left " << c.left << " + width " << c.width;
    }
    // A host that passes no rectangle gets 0 and the plug-in hears nothing.
    const uint32_t mark = log->size();
    EXPECT_EQ(editor->gui()->RedrawRect(nullptr), 0);
    EXPECT_TRUE(dispatchesFrom(mark).empty());
}

TEST_F(EditorMessages, ViewSizeIsThePluginRectangleVerticalFirst) {
    RecordingConfig config;
    config.editorRect = ERect{10, 20, 110, 420};
    startRecording(config);
    openEditor();
    const uint32_t mark = log->size();
    const simhost::ViewSize size = editor->viewSize();
    EXPECT_EQ(size.result, 0);
    EXPECT_EQ(size.vertical, 100.0f);
    EXPECT_EQ(size.horizontal, 400.0f);
    EXPECT_EQ(opcodes(dispatchesFrom(mark)), std::vector<int32_t>{effEditGetRect});
}

TEST_F(EditorMessages, APluginThatGivesNoRectangleGetsTheFallbackSize) {
    RecordingConfig config;
    config.flags &= ~effFlagsHasEditor;  // effEditGetRect then leaves the rectangle pointer alone
    startRecording(config);
    openEditor();
    const simhost::ViewSize size = editor->viewSize();
    EXPECT_EQ(size.result, 0);
    EXPECT_EQ(size.vertical, 100.0f);
    EXPECT_EQ(size.horizontal, 100.0f);
}

TEST_F(EditorMessages, InitializeWithoutAnUnknownFailsAndTheEditorStaysEmpty) {
    startRecording();
    editor = std::make_unique<simhost::SimEditor>(*host);
    EXPECT_EQ(editor->initialize(nullptr), kResultNoHostUnknown);

    const uint32_t mark = log->size();
    const simhost::ViewSize size = editor->viewSize();
    EXPECT_EQ(size.vertical, 100.0f);
    EXPECT_EQ(size.horizontal, 100.0f);
    editor->attachPretendWindow();
    editor->tick(2);
    editor->redraw(1, 2, 3, 4);
    editor->detach();
    EXPECT_TRUE(dispatchesFrom(mark).empty());
}

TEST_F(EditorMessages, AnUnknownWithoutEffectParametersGivesNoPlugin) {
    startRecording();
    editor = std::make_unique<simhost::SimEditor>(*host);
    auto* controller = new simhost::SimController;
    simhost::InstanceServices services;
    services.controller = controller;
    auto* unknown = new simhost::SimInstanceUnknown(services);
    const int32_t before = controller->references();
    EXPECT_EQ(editor->initialize(unknown), 0);
    EXPECT_GT(controller->references(), before);

    const uint32_t mark = log->size();
    EXPECT_EQ(editor->viewSize().vertical, 100.0f);
    editor->attachPretendWindow();
    editor->tick(1);
    editor->detach();
    EXPECT_TRUE(dispatchesFrom(mark).empty());
    // Uninitialize gives back every controller reference the editor's proxy took.
    editor->uninitialize();
    EXPECT_EQ(controller->references(), before);
    unknown->Release();
    controller->Release();
}

}  // namespace
