// The reference editor on X11: its own connection to the display the host uses, a child window of
// the host's, and a pixmap to paint on so that a repaint never shows half a picture.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstring>

#include "plugins/reference/editor_view.h"

namespace reference {
namespace {

constexpr long kEvents = ExposureMask | ButtonPressMask | ButtonReleaseMask | Button1MotionMask;

// A TrueColor pixel value for 0xRRGGBB under the visual's masks.
unsigned long pixelOf(const Visual* visual, uint32_t colour) {
    auto place = [](uint32_t eightBits, unsigned long mask) -> unsigned long {
        if (mask == 0) return 0;
        int shift = 0;
        while (!((mask >> shift) & 1)) ++shift;
        const unsigned long range = mask >> shift;
        return ((eightBits * range + 127) / 255) << shift;
    };
    return place(colour >> 16 & 0xFF, visual->red_mask) | place(colour >> 8 & 0xFF, visual->green_mask) |
           place(colour & 0xFF, visual->blue_mask);
}

class PixmapCanvas final : public Canvas {
public:
    PixmapCanvas(Display* d, Drawable target, GC context, const Visual* v)
        : display(d), drawable(target), gc(context), visual(v) {}

    void fill(const Box& area, uint32_t colour) override {
        if (area.width <= 0 || area.height <= 0) return;
        XSetForeground(display, gc, pixelOf(visual, colour));
        XFillRectangle(display, drawable, gc, area.x, area.y, static_cast<unsigned>(area.width),
                       static_cast<unsigned>(area.height));
    }

    void text(int32_t x, int32_t baseline, const char* content, uint32_t colour) override {
        XSetForeground(display, gc, pixelOf(visual, colour));
        XDrawString(display, drawable, gc, x, baseline, content, static_cast<int>(std::strlen(content)));
    }

private:
    Display* display;
    Drawable drawable;
    GC gc;
    const Visual* visual;
};

class X11View final : public EditorView {
public:
    X11View(Display* d, Window parent, const XWindowAttributes& attributes, int32_t w, int32_t h, ViewListener& l)
        : display(d), listener(l), width(w), height(h), visual(attributes.visual) {
        window = XCreateSimpleWindow(display, parent, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), 0, 0,
                                     0);
        XSelectInput(display, window, kEvents);
        back = XCreatePixmap(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h),
                             static_cast<unsigned>(attributes.depth));
        gc = XCreateGC(display, window, 0, nullptr);
        // "fixed" is the one font every X server has; without it the server's default font draws.
        font = XLoadQueryFont(display, "fixed");
        if (font) XSetFont(display, gc, font->fid);
        XMapWindow(display, window);
        repaint();
    }

    ~X11View() override {
        if (font) XFreeFont(display, font);
        XFreeGC(display, gc);
        XFreePixmap(display, back);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    void idle() override {
        // One round trip first: every event the server made before this idle (a click the host
        // just sent, say) is then in the queue, not still on its way.
        XSync(display, False);
        bool exposed = false;
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
            switch (event.type) {
            case Expose:
                exposed = true;
                break;
            case ButtonPress:
                if (event.xbutton.button == Button1) listener.pointer(Pointer::press, event.xbutton.x, event.xbutton.y);
                break;
            case MotionNotify:
                listener.pointer(Pointer::move, event.xmotion.x, event.xmotion.y);
                break;
            case ButtonRelease:
                if (event.xbutton.button == Button1)
                    listener.pointer(Pointer::release, event.xbutton.x, event.xbutton.y);
                break;
            default:
                break;
            }
        }
        if (exposed) repaint();
    }

    void repaint() override {
        PixmapCanvas canvas(display, back, gc, visual);
        listener.paint(canvas);
        XCopyArea(display, back, window, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0);
        // The host may read the window's pixels as soon as this returns.
        XSync(display, False);
    }

private:
    Display* display;
    ViewListener& listener;
    int32_t width;
    int32_t height;
    const Visual* visual;
    Window window = 0;
    Pixmap back = 0;
    GC gc = nullptr;
    XFontStruct* font = nullptr;
};

}  // namespace

std::unique_ptr<EditorView> EditorView::open(void* parent, int32_t width, int32_t height, ViewListener& listener) {
    if (!parent || width <= 0 || height <= 0) return nullptr;
    Display* display = XOpenDisplay(nullptr);
    if (!display) return nullptr;
    const auto parentWindow = static_cast<Window>(reinterpret_cast<uintptr_t>(parent));
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, parentWindow, &attributes)) {
        XCloseDisplay(display);
        return nullptr;
    }
    return std::make_unique<X11View>(display, parentWindow, attributes, width, height, listener);
}

}  // namespace reference
