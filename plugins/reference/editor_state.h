// The reference plug-in's editor: the panel of bars in a child of the host's window, what the host
// told it (for tests to read back), and edits a test queued, performed at the next idle call as a
// user's gesture would be.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "plugins/reference/editor_layout.h"
#include "plugins/reference/editor_panel.h"
#include "plugins/reference/editor_view.h"
#include "vst/vst_types.h"

namespace reference {

class EditorState {
public:
    EditorState(const Parameters& parameters, EditorGestures& gestures);
    EditorState(const EditorState&) = delete;
    EditorState& operator=(const EditorState&) = delete;

    ERect* rect() { return &editRect; }
    // [main] The panel opens inside `parentWindow` when the window system takes it as a parent;
    // without one the editor still counts as open and simply shows nothing.
    void open(void* parentWindow);
    // [main] An edit still being dragged ends first.
    void close();
    // [main] effEditIdle: the view's input, then a repaint when a value changed since the last.
    void idle();
    void redraw(const ERect* area);
    void prepare(float opt);
    void keyDown(int32_t index, VstIntPtr value);

    // Any thread; a later request replaces one not yet performed.
    void requestEdit(int32_t index, float value);
    // [main] At idle: answers true and the edit when one was queued.
    bool takeEdit(int32_t& index, float& value);

    bool isOpen() const { return opened; }
    bool isShowing() const { return view != nullptr; }
    void* parent() const { return parentWindow; }
    const ERect& lastRedraw() const { return redrawArea; }
    int32_t redrawCount() const { return redraws; }
    bool lastRedrawWasWhole() const { return redrawWasWhole; }
    float lastPrepare() const { return prepareOpt; }
    int32_t lastKeyDownIndex() const { return lastKeyIndex; }
    VstIntPtr lastKeyDownValue() const { return lastKeyValue; }

private:
    ERect editRect = {0, 0, kEditorHeight, kEditorWidth};
    EditorPanel panel;
    std::unique_ptr<EditorView> view;
    bool opened = false;
    void* parentWindow = nullptr;
    ERect redrawArea = {};
    bool redrawWasWhole = false;  // the last redraw came without a rectangle
    int32_t redraws = 0;
    float prepareOpt = 0.0f;
    int32_t lastKeyIndex = 0;
    VstIntPtr lastKeyValue = 0;
    // The value is published before the index, so a taken index always sees its value.
    std::atomic<int32_t> pendingIndex{-1};
    std::atomic<float> pendingValue{0.0f};
};

}  // namespace reference
