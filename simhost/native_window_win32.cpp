// Native windows on Win32: a top-level frame holding a child window whose HWND is the handle, as a
// host's view is a child of its own frame. Pixels are copied from the child's device context,
// input goes through SendInput.
#include <windows.h>

#include <algorithm>

#include "simhost/native_window.h"

namespace simhost {
namespace {

constexpr wchar_t kFrameClass[] = L"KorvexHostFrame";
constexpr wchar_t kViewClass[] = L"KorvexHostView";
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
// Dark grey, as on X11: a plug-in that draws nothing leaves the window this colour.
constexpr COLORREF kBackground = RGB(0x20, 0x20, 0x20);
// Input handed to the system reaches this thread's queue within milliseconds; this only bounds
// the wait when something else (a hook, another program's window on top) takes it.
constexpr ULONGLONG kInputTimeoutMs = 2000;

void registerClasses() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = CreateSolidBrush(kBackground);
        windowClass.lpszClassName = kFrameClass;
        RegisterClassW(&windowClass);
        windowClass.style = CS_DBLCLKS;
        windowClass.lpszClassName = kViewClass;
        RegisterClassW(&windowClass);
        return true;
    }();
    (void)registered;
}

// The frame's outer size for a client area of w by h.
SIZE frameSize(int32_t w, int32_t h) {
    RECT area{0, 0, w, h};
    AdjustWindowRectEx(&area, kFrameStyle, FALSE, 0);
    return SIZE{area.right - area.left, area.bottom - area.top};
}

// The whole desktop in screen coordinates, every monitor included.
RECT virtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// A screen coordinate as SendInput's absolute one (0 to 65535 across the desktop), aimed at the
// pixel's centre so that the system's rounding back to pixels lands on that pixel.
LONG absolute(LONG at, LONG origin, LONG extent) {
    const LONGLONG halfPixels = static_cast<LONGLONG>(at - origin) * 2 + 1;
    return static_cast<LONG>(halfPixels * 65536 / (static_cast<LONGLONG>(extent) * 2));
}

bool isPress(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_NCLBUTTONDOWN ||
           message == WM_NCLBUTTONDBLCLK;
}
bool isRelease(UINT message) { return message == WM_LBUTTONUP || message == WM_NCLBUTTONUP; }
bool isMove(UINT message) { return message == WM_MOUSEMOVE || message == WM_NCMOUSEMOVE; }

void dispatch(MSG& message) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

// Runs this thread's message loop until a mouse message `wanted` accepts, made at `at`, has been
// dispatched; false when none came in time. Win32 has no counterpart of an X server's round trip:
// the system posts injected input to the receiving thread's queue on its own time, and a window
// of this thread (the plug-in's among them) has its input only once this thread's loop hands it
// over.
bool dispatchUntil(bool (*wanted)(UINT), POINT at) {
    const ULONGLONG deadline = GetTickCount64() + kInputTimeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            dispatch(message);
            if (wanted(message.message) && message.pt.x == at.x && message.pt.y == at.y) return true;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) return false;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

class Win32Window final : public NativeWindow {
public:
    Win32Window(HWND frameWindow, HWND viewWindow, int32_t w, int32_t h)
        : frame(frameWindow), view(viewWindow), currentWidth(w), currentHeight(h) {}

    // Destroying the frame destroys the view and every window a plug-in made inside it.
    ~Win32Window() override { DestroyWindow(frame); }

    void* handle() const override { return view; }
    int32_t width() const override { return currentWidth; }
    int32_t height() const override { return currentHeight; }

    void resize(int32_t w, int32_t h) override {
        if (w < 1 || h < 1 || w > kMaxWindowExtent || h > kMaxWindowExtent) return;
        const SIZE outer = frameSize(w, h);
        SetWindowPos(frame, nullptr, 0, 0, outer.cx, outer.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowPos(view, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        currentWidth = w;
        currentHeight = h;
    }

    // The plug-in's windows belong to this thread too: their messages are dispatched here.
    void pumpEvents() override {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) dispatch(message);
    }

    // Only the part of the view on the desktop has pixels to read (beyond it a window DC gives
    // whatever the system leaves there: black under Wine, stale or nothing on Windows without
    // composition); the rest stays background, as on X11.
    WindowImage capture() override {
        WindowImage image;
        image.width = currentWidth;
        image.height = currentHeight;
        const size_t count = static_cast<size_t>(currentWidth) * static_cast<size_t>(currentHeight);
        image.rgb.resize(count * 3);
        for (size_t i = 0; i < count; ++i) {
            image.rgb[i * 3] = GetRValue(kBackground);
            image.rgb[i * 3 + 1] = GetGValue(kBackground);
            image.rgb[i * 3 + 2] = GetBValue(kBackground);
        }
        POINT origin{0, 0};
        ClientToScreen(view, &origin);
        const RECT desktop = virtualScreen();
        const LONG left = std::max<LONG>(0, desktop.left - origin.x);
        const LONG top = std::max<LONG>(0, desktop.top - origin.y);
        const LONG right = std::min<LONG>(currentWidth, desktop.right - origin.x);
        const LONG bottom = std::min<LONG>(currentHeight, desktop.bottom - origin.y);
        if (right <= left || bottom <= top) return image;
        const LONG shownWidth = right - left;
        const LONG shownHeight = bottom - top;

        HDC source = GetDC(view);
        if (!source) return WindowImage{};
        HDC memory = CreateCompatibleDC(source);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = shownWidth;
        info.bmiHeader.biHeight = -shownHeight;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bool copied = false;
        if (memory && bitmap && bits) {
            HGDIOBJ previous = SelectObject(memory, bitmap);
            copied = BitBlt(memory, 0, 0, shownWidth, shownHeight, source, left, top, SRCCOPY | CAPTUREBLT) != 0;
            GdiFlush();
            const auto* bgra = static_cast<const uint8_t*>(bits);
            for (LONG y = 0; copied && y < shownHeight; ++y) {
                const uint8_t* in = bgra + static_cast<size_t>(y) * static_cast<size_t>(shownWidth) * 4;
                const size_t row = static_cast<size_t>(top + y) * static_cast<size_t>(currentWidth);
                uint8_t* out = image.rgb.data() + (row + static_cast<size_t>(left)) * 3;
                for (LONG x = 0; x < shownWidth; ++x, in += 4) {
                    *out++ = in[2];
                    *out++ = in[1];
                    *out++ = in[0];
                }
            }
            SelectObject(memory, previous);
        }
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
        ReleaseDC(view, source);
        return copied ? image : WindowImage{};
    }

    // Returns once a window of this thread that the input lands on has been handed its message,
    // as the X11 side returns once the server has delivered it; input for another thread's or
    // program's window is left to that one's loop. Each call is one message: moves are not left in
    // the queue, where the system would merge them into the next one.
    bool pointer(PointerAction action, int32_t x, int32_t y) override {
        POINT target{x, y};
        ClientToScreen(view, &target);
        // The pointer cannot leave the desktop; a point beyond it is reached at its edge.
        const RECT desktop = virtualScreen();
        target.x = std::clamp(target.x, desktop.left, desktop.right - 1);
        target.y = std::clamp(target.y, desktop.top, desktop.bottom - 1);

        INPUT inputs[2]{};
        UINT count = 0;
        POINT now{};
        if (!GetCursorPos(&now) || now.x != target.x || now.y != target.y) {
            INPUT& move = inputs[count++];
            move.type = INPUT_MOUSE;
            move.mi.dx = absolute(target.x, desktop.left, desktop.right - desktop.left);
            move.mi.dy = absolute(target.y, desktop.top, desktop.bottom - desktop.top);
            move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK;
        }
        if (action != PointerAction::move) {
            // SendInput names physical buttons; with the buttons swapped the primary one is the right.
            const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
            INPUT& button = inputs[count++];
            button.type = INPUT_MOUSE;
            if (action == PointerAction::press)
                button.mi.dwFlags = swapped ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN;
            else
                button.mi.dwFlags = swapped ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP;
        }
        // Already there, and no button: a mouse that does not move makes no message.
        if (count == 0) return true;

        // The window holding the mouse gets the input wherever the pointer is: this thread's, else
        // the foreground thread's (a plug-in may run its editor on a thread of its own).
        HWND receiver = GetCapture();
        GUITHREADINFO foreground{};
        foreground.cbSize = sizeof foreground;
        if (!receiver && GetGUIThreadInfo(0, &foreground)) receiver = foreground.hwndCapture;
        if (!receiver) receiver = WindowFromPoint(target);
        const bool ours = receiver && GetWindowThreadProcessId(receiver, nullptr) == GetCurrentThreadId();
        if (SendInput(count, inputs, sizeof(INPUT)) != count) return false;
        if (ours) {
            bool (*wanted)(UINT) = action == PointerAction::press     ? isPress
                                   : action == PointerAction::release ? isRelease
                                                                      : isMove;
            dispatchUntil(wanted, target);
        }
        return true;
    }

private:
    HWND frame;
    HWND view;
    int32_t currentWidth;
    int32_t currentHeight;
};

}  // namespace

std::unique_ptr<NativeWindow> NativeWindow::create(int32_t width, int32_t height, std::string* error) {
    if (width < 1 || height < 1 || width > kMaxWindowExtent || height > kMaxWindowExtent) {
        if (error) *error = "no window of " + std::to_string(width) + " x " + std::to_string(height) + " pixels";
        return nullptr;
    }
    registerClasses();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const SIZE outer = frameSize(width, height);
    HWND frame = CreateWindowExW(0, kFrameClass, L"korvex-host", kFrameStyle, CW_USEDEFAULT, CW_USEDEFAULT, outer.cx,
                                 outer.cy, nullptr, nullptr, instance, nullptr);
    if (!frame) {
        if (error) *error = "no window: CreateWindowEx failed with error " + std::to_string(GetLastError());
        return nullptr;
    }
    HWND view = CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width, height,
                                frame, nullptr, instance, nullptr);
    if (!view) {
        if (error) *error = "no window: CreateWindowEx failed with error " + std::to_string(GetLastError());
        DestroyWindow(frame);
        return nullptr;
    }
    ShowWindow(frame, SW_SHOWNOACTIVATE);
    UpdateWindow(frame);
    return std::make_unique<Win32Window>(frame, view, width, height);
}

}  // namespace simhost
