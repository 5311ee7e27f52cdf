// The reference plug-in's editor bookkeeping.
#include "plugins/reference/editor_state.h"

namespace reference {

void EditorState::open(void* window) {
    opened = true;
    parentWindow = window;
}

void EditorState::close() {
    opened = false;
    parentWindow = nullptr;
}

void EditorState::redraw(const ERect* area) {
    ++redraws;
    redrawWasWhole = area == nullptr;
    if (area) redrawArea = *area;
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
