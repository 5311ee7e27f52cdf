// Where the reference editor puts things: one row per parameter, a label on the left, a bar
// filled from its left edge to the value, and the value's text on the right. Tests use the same
// geometry to click on a bar and to look at its pixels.
#pragma once

#include <cstdint>

namespace reference {

inline constexpr int32_t kEditorWidth = 500;
inline constexpr int32_t kEditorHeight = 300;

// Colours, 0xRRGGBB.
inline constexpr uint32_t kBackgroundColour = 0x1E2228;
inline constexpr uint32_t kLabelColour = 0xD8DEE9;
inline constexpr uint32_t kTrackColour = 0x3B4252;
inline constexpr uint32_t kFillColour = 0x88C0D0;
inline constexpr uint32_t kValueTextColour = 0xECEFF4;

struct Box {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;

    bool contains(int32_t px, int32_t py) const { return px >= x && px < x + width && py >= y && py < y + height; }
};

// The whole row of parameter `index` (label, bar and value text).
Box rowBox(int32_t index);
// The bar of parameter `index`; the value is drawn inside it.
Box barBox(int32_t index);
// Where the label and the value text start, and the row's text baseline.
int32_t labelX();
int32_t valueTextX();
int32_t textBaseline(int32_t index);

// The parameter whose bar holds the point, or -1.
int32_t barAt(int32_t x, int32_t y);
// The value a pointer at x stands for on any bar: 0 at the bar's left edge, 1 at its right, clamped.
float valueAt(int32_t x);
// How many pixels of a bar a value fills, from 0 to the bar's width.
int32_t filledWidth(float value);

}  // namespace reference
