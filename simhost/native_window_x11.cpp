// Native windows on X11: a top-level window on a connection of its own, whose id is the handle
// VST 2.4 editors on Linux take as their parent. Pixels come from the server, input through XTest.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>
#include <cstdlib>
#include <map>

#include "simhost/native_window.h"

namespace simhost {
namespace {

// Dark grey: a plug-in that draws nothing leaves the window this colour.
constexpr unsigned long kBackground = 0x202020;

// Xlib's own handler ends the process at the first protocol error, also one a plug-in's editor
// caused on its own connection; a host keeps running instead, as desktop hosts do.
int ignoreError(Display*, XErrorEvent*) { return 0; }

// One colour channel of a TrueColor pixel as 8 bits, whatever the visual's mask.
uint8_t channel(unsigned long pixel, unsigned long mask) {
    if (mask == 0) return 0;
    int shift = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++shift;
    }
    const unsigned long value = (pixel >> shift) & mask;
    return static_cast<uint8_t>(value * 255 / mask);
}

// Pixel values as 0xRRGGBB: from the masks of a true-colour visual, else through the colormap.
class PixelReader {
public:
    PixelReader(Display* d, const XWindowAttributes& attributes)
        : display(d), visual(attributes.visual), colormap(attributes.colormap) {}

    uint32_t colourOf(unsigned long value) {
        if (visual->c_class == TrueColor || visual->c_class == DirectColor)
            return uint32_t{channel(value, visual->red_mask)} << 16 | uint32_t{channel(value, visual->green_mask)} << 8 |
                   channel(value, visual->blue_mask);
        auto known = looked.find(value);
        if (known != looked.end()) return known->second;
        XColor colour{};
        colour.pixel = value;
        XQueryColor(display, colormap, &colour);
        const uint32_t rgb = uint32_t{static_cast<uint8_t>(colour.red >> 8)} << 16 |
                             uint32_t{static_cast<uint8_t>(colour.green >> 8)} << 8 | static_cast<uint8_t>(colour.blue >> 8);
        looked.emplace(value, rgb);
        return rgb;
    }

private:
    Display* display;
    const Visual* visual;
    Colormap colormap;
    std::map<unsigned long, uint32_t> looked;
};

class X11Window final : public NativeWindow {
public:
    X11Window(Display* connection, int32_t w, int32_t h) : display(connection), currentWidth(w), currentHeight(h) {
        const int screen = DefaultScreen(display);
        window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, static_cast<unsigned>(w),
                                     static_cast<unsigned>(h), 0, BlackPixel(display, screen), kBackground);
        XStoreName(display, window, "korvex-host");
        XSelectInput(display, window, StructureNotifyMask);
        XMapWindow(display, window);
        // The editor opens into a window that is on screen, so that it is drawn (and can be read back).
        XEvent event;
        do XWindowEvent(display, window, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        XSync(display, False);
    }

    ~X11Window() override {
        XDestroyWindow(display, window);
        XSync(display, False);
        XCloseDisplay(display);
    }

    void* handle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }
    int32_t width() const override { return currentWidth; }
    int32_t height() const override { return currentHeight; }

    void resize(int32_t w, int32_t h) override {
        if (w < 1 || h < 1 || w > kMaxWindowExtent || h > kMaxWindowExtent) return;
        XResizeWindow(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h));
        XSync(display, False);
        currentWidth = w;
        currentHeight = h;
    }

    void pumpEvents() override {
        while (XPending(display) > 0) {
            XEvent event;
            XNextEvent(display, &event);
        }
    }

    // Only the part of the window on the screen has pixels to read; the rest stays background.
    WindowImage capture() override {
        WindowImage image;
        XSync(display, False);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return image;
        image.width = attributes.width;
        image.height = attributes.height;
        image.rgb.assign(static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3, 0);
        for (size_t i = 0; i < image.rgb.size(); i += 3) {
            image.rgb[i] = kBackground >> 16 & 0xFF;
            image.rgb[i + 1] = kBackground >> 8 & 0xFF;
            image.rgb[i + 2] = kBackground & 0xFF;
        }
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, attributes.root, 0, 0, &rootX, &rootY, &child);
        const int left = rootX < 0 ? -rootX : 0;
        const int top = rootY < 0 ? -rootY : 0;
        const int right = std::min(image.width, WidthOfScreen(attributes.screen) - rootX);
        const int bottom = std::min(image.height, HeightOfScreen(attributes.screen) - rootY);
        if (right <= left || bottom <= top) return image;
        XImage* shot = XGetImage(display, window, left, top, static_cast<unsigned>(right - left),
                                 static_cast<unsigned>(bottom - top), AllPlanes, ZPixmap);
        if (!shot) return image;
        PixelReader reader(display, attributes);
        for (int y = top; y < bottom; ++y) {
            uint8_t* out = image.rgb.data() + (static_cast<size_t>(y) * static_cast<size_t>(image.width) + left) * 3;
            for (int x = left; x < right; ++x) {
                const uint32_t colour = reader.colourOf(XGetPixel(shot, x - left, y - top));
                *out++ = static_cast<uint8_t>(colour >> 16);
                *out++ = static_cast<uint8_t>(colour >> 8);
                *out++ = static_cast<uint8_t>(colour);
            }
        }
        XDestroyImage(shot);
        return image;
    }

    bool pointer(PointerAction action, int32_t x, int32_t y) override {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) return false;
        int rootX = 0, rootY = 0;
        Window child = 0;
        XTranslateCoordinates(display, window, DefaultRootWindow(display), x, y, &rootX, &rootY, &child);
        XTestFakeMotionEvent(display, DefaultScreen(display), rootX, rootY, CurrentTime);
        if (action != PointerAction::move) XTestFakeButtonEvent(display, 1, action == PointerAction::press, CurrentTime);
        // Once the server answers, it has delivered the input to the window under the pointer.
        XSync(display, False);
        return true;
    }

private:
    Display* display;
    Window window = 0;
    int32_t currentWidth;
    int32_t currentHeight;
};

}  // namespace

std::unique_ptr<NativeWindow> NativeWindow::create(int32_t width, int32_t height, std::string* error) {
    if (width < 1 || height < 1 || width > kMaxWindowExtent || height > kMaxWindowExtent) {
        if (error) *error = "no window of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return nullptr;
    }
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        if (error) *error = "no display: set DISPLAY or run under xvfb-run";
        return nullptr;
    }
    Display* display = XOpenDisplay(name);
    if (!display) {
        if (error)
            *error = std::string("cannot open display ") + name + ": set DISPLAY to a running X server or run under xvfb-run";
        return nullptr;
    }
    XSetErrorHandler(ignoreError);
    return std::make_unique<X11Window>(display, width, height);
}

}  // namespace simhost
