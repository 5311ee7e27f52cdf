// The reference editor's geometry: 13 rows of 22 pixels between 7-pixel margins fill the
// 500 x 300 view the plug-in reports.
#include "plugins/reference/editor_layout.h"

#include <cmath>

#include "plugins/reference/parameters.h"

namespace reference {
namespace {

constexpr int32_t kMargin = 7;
constexpr int32_t kRowHeight = 22;
constexpr int32_t kLabelWidth = 128;
constexpr int32_t kBarX = kMargin + kLabelWidth;
constexpr int32_t kBarWidth = 280;
constexpr int32_t kBarInset = 3;  // above and below the bar inside its row
constexpr int32_t kValueGap = 8;

static_assert(2 * kMargin + kParamCount * kRowHeight <= kEditorHeight, "every row fits the view");
static_assert(kBarX + kBarWidth + kValueGap + 64 <= kEditorWidth, "the value text fits beside the bar");

}  // namespace

Box rowBox(int32_t index) { return Box{kMargin, kMargin + index * kRowHeight, kEditorWidth - 2 * kMargin, kRowHeight}; }

Box barBox(int32_t index) {
    const Box row = rowBox(index);
    return Box{kBarX, row.y + kBarInset, kBarWidth, kRowHeight - 2 * kBarInset};
}

int32_t labelX() { return kMargin + 4; }

int32_t valueTextX() { return kBarX + kBarWidth + kValueGap; }

int32_t textBaseline(int32_t index) { return rowBox(index).y + 15; }

int32_t barAt(int32_t x, int32_t y) {
    for (int32_t i = 0; i < kParamCount; ++i)
        if (barBox(i).contains(x, y)) return i;
    return -1;
}

float valueAt(int32_t x) {
    const float value = static_cast<float>(x - kBarX) / static_cast<float>(kBarWidth - 1);
    return value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
}

int32_t filledWidth(float value) {
    if (!(value > 0.0f)) return 0;
    if (value >= 1.0f) return kBarWidth;
    return static_cast<int32_t>(std::lround(value * static_cast<float>(kBarWidth - 1))) + 1;
}

}  // namespace reference
