// The reference plug-in's editor: its view's lifetime, idle work and bookkeeping.
#include "plugins/reference/editor_state.h"

namespace reference {

EditorState::EditorState(const Parameters& parameters, EditorGestures& gestures) : panel(parameters, gestures) {}

void EditorState::open(void* window) {
    // A second open without a close replaces the first view.
    close();
    opened = true;
    parentWindow = window;
    view = EditorView::open(window, editRect.right - editRect.left, editRect.bottom - editRect.top, panel);
}

void EditorState::close() {
    panel.endGesture();
    view.reset();
    opened = false;
    parentWindow = nullptr;
}

void EditorState::idle() {
    if (!view) return;
    view->idle();
    if (panel.isStale()) view->repaint();
}

void EditorState::redraw(const ERect* area) {
    ++redraws;
    redrawWasWhole = area == nullptr;
    if (area) redrawArea = *area;
    if (view) view->repaint();
}

void EditorState::prepare(float opt) { prepareOpt = opt; }

void EditorState::keyDown(int32_t index, VstIntPtr value) {
    lastKeyIndex = index;
    lastKeyValue = value;
}

void EditorState::requestEdit(int32_t index, float value) {
    pendingValue.store(value, std::memory_order_relaxed);
    pendingIndex.store(index, std::memory_order_release);
}

bool EditorState::takeEdit(int32_t& index, float& value) {
    int32_t taken = pendingIndex.exchange(-1, std::memory_order_acquire);
    if (taken < 0) return false;
    index = taken;
    value = pendingValue.load(std::memory_order_relaxed);
    return true;
}

}  // namespace reference
