// What the window tests ask of a picture: is anything drawn, and where do two pictures differ.
#pragma once

#include <cstdint>
#include <set>

#include "plugins/reference/editor_layout.h"
#include "simhost/native_window.h"

namespace window_testing {

// The colour of a host window nothing has drawn in.
inline constexpr uint32_t kEmptyWindow = 0x202020;

// Something was drawn: most pixels differ from an empty window, in many colours (a picture,
// not a filled rectangle).
inline bool isDrawn(const simhost::WindowImage& image) {
    int64_t drawn = 0;
    std::set<uint32_t> colours;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t colour = image.pixel(x, y);
            if (colour != kEmptyWindow) ++drawn;
            if (colours.size() < 64) colours.insert(colour);
        }
    return drawn * 2 > int64_t{image.width} * image.height && colours.size() >= 16;
}

struct Difference {
    int64_t inside = 0;   // differing pixels inside the box
    int64_t outside = 0;  // and outside it
};

// Two pictures of the same size compared pixel by pixel.
inline Difference differences(const simhost::WindowImage& a, const simhost::WindowImage& b, const reference::Box& box) {
    Difference result;
    for (int32_t y = 0; y < a.height && y < b.height; ++y)
        for (int32_t x = 0; x < a.width && x < b.width; ++x)
            if (a.pixel(x, y) != b.pixel(x, y)) ++(box.contains(x, y) ? result.inside : result.outside);
    return result;
}

}  // namespace window_testing
