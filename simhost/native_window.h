// The simulated host's seam for real windows: the window a view container hands a plug-in's
// editor, on X11 (the window id is the handle) or Win32 (an HWND).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace simhost {

// What a window shows: 8-bit RGB, rows top to bottom, no padding.
struct WindowImage {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> rgb;

    // 0xRRGGBB at (x, y); the caller keeps inside the image.
    uint32_t pixel(int32_t x, int32_t y) const;
};

// Client areas from 1 to this many pixels wide and high can be made.
inline constexpr int32_t kMaxWindowExtent = 16384;

enum class PointerAction { press, move, release };

// Main thread only, like every window of a host's user interface.
class NativeWindow {
public:
    // A visible window whose client area is width by height; null, with a one-line reason in
    // *error, when the system gives no window (no display to connect to, a size out of range).
    static std::unique_ptr<NativeWindow> create(int32_t width, int32_t height, std::string* error);

    // Destroys the window and whatever a plug-in left inside it.
    virtual ~NativeWindow();
    NativeWindow(const NativeWindow&) = delete;
    NativeWindow& operator=(const NativeWindow&) = delete;

    // The handle a native-window container hands out; valid until destruction.
    virtual void* handle() const = 0;
    virtual int32_t width() const = 0;
    virtual int32_t height() const = 0;
    // New client-area size, which the window system has when this returns; a size create()
    // would refuse changes nothing.
    virtual void resize(int32_t width, int32_t height) = 0;
    // Handles what the window system queued for the host's side; never waits for more.
    virtual void pumpEvents() = 0;
    // The client area as shown now, a plug-in's drawing inside it included.
    virtual WindowImage capture() = 0;
    // Button-1 input at client coordinates, delivered by the window system to whichever window
    // lies there, as a user's mouse would; false when the system offers no synthetic input.
    virtual bool pointer(PointerAction action, int32_t x, int32_t y) = 0;

protected:
    NativeWindow();
};

// Windows made by create() and not yet destroyed, process-wide.
int32_t liveNativeWindows();

}  // namespace simhost
