// What the reference editor shows and does, apart from any window system: each parameter as a
// labelled bar with its value, and a press or drag on a bar as an edit of that parameter.
#pragma once

#include <cstdint>

#include "plugins/reference/editor_view.h"
#include "plugins/reference/parameters.h"

namespace reference {

// The plug-in's side of an edit gesture; each call reaches the host at once.
class EditorGestures {
public:
    virtual ~EditorGestures() = default;
    virtual void beginEdit(int32_t index) = 0;
    // Sets the parameter and reports the value it took to the host.
    virtual void changeValue(int32_t index, float value) = 0;
    virtual void endEdit(int32_t index) = 0;
};

// [main] Like the view that calls it.
class EditorPanel final : public ViewListener {
public:
    EditorPanel(const Parameters& parameters, EditorGestures& gestures);

    void paint(Canvas& canvas) override;
    // A press on a bar begins an edit and sets the value under the pointer; dragging keeps
    // setting it (also beyond the bar's ends, clamped); the release ends the edit.
    void pointer(Pointer action, int32_t x, int32_t y) override;

    // Some value differs from what the last paint showed (or nothing was painted yet).
    bool isStale() const;
    // Ends an edit whose release will never come (the view is going away).
    void endGesture();

private:
    const Parameters& values;
    EditorGestures& gestures;
    float painted[kParamCount];
    int32_t dragged = -1;   // the parameter being edited, -1 when none
    float lastSent = 0.0f;  // the value last reported for it
};

}  // namespace reference
