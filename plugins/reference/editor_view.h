// The reference editor's one seam to the window system: a child window inside the host's, with
// a canvas to paint on and button-1 input. X11 (Xlib) on Linux, GDI on Windows.
#pragma once

#include <cstdint>
#include <memory>

#include "plugins/reference/editor_layout.h"

namespace reference {

// Colours are 0xRRGGBB.
class Canvas {
public:
    virtual ~Canvas() = default;
    virtual void fill(const Box& area, uint32_t colour) = 0;
    // Left-aligned text whose baseline is at y.
    virtual void text(int32_t x, int32_t baseline, const char* text, uint32_t colour) = 0;
};

enum class Pointer { press, move, release };

// What the view asks of the editor; called on the thread that calls the view (the host's
// user-interface thread).
class ViewListener {
public:
    virtual ~ViewListener() = default;
    // Paints the whole view; the canvas is valid during the call only.
    virtual void paint(Canvas& canvas) = 0;
    // Button-1 press, drag and release at view coordinates.
    virtual void pointer(Pointer action, int32_t x, int32_t y) = 0;
};

class EditorView {
public:
    // A child window of `parent` (an X11 window id cast to a pointer, or an HWND) at the parent's
    // top left, width by height; null when the window system refuses (no display, say), in
    // which case the editor simply shows nothing.
    static std::unique_ptr<EditorView> open(void* parent, int32_t width, int32_t height, ViewListener& listener);

    // Destroys the child window; the parent is the host's and stays.
    virtual ~EditorView() = default;
    EditorView(const EditorView&) = delete;
    EditorView& operator=(const EditorView&) = delete;

    // Handles the window system's input and exposures that reached the view since the last call.
    virtual void idle() = 0;
    // Paints now; the result is on screen when this returns.
    virtual void repaint() = 0;

protected:
    EditorView() = default;
};

}  // namespace reference
