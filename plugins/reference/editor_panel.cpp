// The reference editor's picture and gestures.
#include "plugins/reference/editor_panel.h"

#include <cmath>
#include <cstdio>

#include "plugins/reference/editor_layout.h"

namespace reference {

EditorPanel::EditorPanel(const Parameters& parameters, EditorGestures& edits) : values(parameters), gestures(edits) {
    for (float& value : painted) value = std::nanf("");
}

void EditorPanel::paint(Canvas& canvas) {
    canvas.fill(Box{0, 0, kEditorWidth, kEditorHeight}, kBackgroundColour);
    for (int32_t i = 0; i < kParamCount; ++i) {
        const ParamInfo& info = paramInfo(i);
        const float value = values.get(i);
        const Box bar = barBox(i);
        canvas.text(labelX(), textBaseline(i), info.name, kLabelColour);
        canvas.fill(bar, kTrackColour);
        canvas.fill(Box{bar.x, bar.y, filledWidth(value), bar.height}, kFillColour);
        char shown[16];
        values.display(i, shown, sizeof shown);
        char line[32];
        std::snprintf(line, sizeof line, "%s %s", shown, info.unit);
        canvas.text(valueTextX(), textBaseline(i), line, kValueTextColour);
        painted[i] = value;
    }
}

void EditorPanel::pointer(Pointer action, int32_t x, int32_t y) {
    if (action == Pointer::press) {
        if (dragged >= 0) return;  // a second press without a release: the first gesture goes on
        dragged = barAt(x, y);
        if (dragged < 0) return;
        gestures.beginEdit(dragged);
        lastSent = valueAt(x);
        gestures.changeValue(dragged, lastSent);
        return;
    }
    if (dragged < 0) return;
    const float value = valueAt(x);
    if (value != lastSent) {
        lastSent = value;
        gestures.changeValue(dragged, value);
    }
    if (action == Pointer::release) endGesture();
}

bool EditorPanel::isStale() const {
    for (int32_t i = 0; i < kParamCount; ++i)
        if (!(values.get(i) == painted[i])) return true;
    return false;
}

void EditorPanel::endGesture() {
    if (dragged < 0) return;
    const int32_t index = dragged;
    dragged = -1;
    gestures.endEdit(index);
}

}  // namespace reference
