// The reference plug-in's editor: it draws nothing but remembers what the host told it, and
// performs edits that a test queued, as a user's gesture would, at the next idle call.
#pragma once

#include <atomic>
#include <cstdint>

#include "vst/vst_types.h"

namespace reference {

class EditorState {
public:
    EditorState() = default;
    EditorState(const EditorState&) = delete;
    EditorState& operator=(const EditorState&) = delete;

    ERect* rect() { return &editRect; }
    void open(void* parentWindow);
    void close();
    void redraw(const ERect* area);
    void prepare(float opt);
    void keyDown(int32_t index, VstIntPtr value);

    // Any thread; a later request replaces one not yet performed.
    void requestEdit(int32_t index, float value);
    // [main] At idle: answers true and the edit when one was queued.
    bool takeEdit(int32_t& index, float& value);

    bool isOpen() const { return opened; }
    void* parent() const { return parentWindow; }
    const ERect& lastRedraw() const { return redrawArea; }
    int32_t redrawCount() const { return redraws; }
    bool lastRedrawWasWhole() const { return redrawWasWhole; }
    float lastPrepare() const { return prepareOpt; }
    int32_t lastKeyDownIndex() const { return lastKeyIndex; }
    VstIntPtr lastKeyDownValue() const { return lastKeyValue; }

private:
    ERect editRect = {0, 0, 300, 500};
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
