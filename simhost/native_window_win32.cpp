// Native windows on Win32: a top-level frame holding a child window whose HWND is the handle, as a
// host's view is a child of its own frame. Pixels are copied from the child's device context,
// input goes through SendInput.
#include <windows.h>

#include "simhost/native_window.h"

namespace simhost {
namespace {

constexpr wchar_t kFrameClass[] = L"KorvexHostFrame";
constexpr wchar_t kViewClass[] = L"KorvexHostView";
constexpr DWORD kFrameStyle = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;

void registerClasses() {
    static const bool registered = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        // Dark grey, as on X11: a plug-in that draws nothing leaves the window this colour.
        windowClass.hbrBackground = CreateSolidBrush(RGB(0x20, 0x20, 0x20));
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
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    WindowImage capture() override {
        WindowImage image;
        HDC source = GetDC(view);
        if (!source) return image;
        HDC memory = CreateCompatibleDC(source);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = currentWidth;
        info.bmiHeader.biHeight = -currentHeight;  // top row first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (memory && bitmap && bits) {
            HGDIOBJ previous = SelectObject(memory, bitmap);
            BitBlt(memory, 0, 0, currentWidth, currentHeight, source, 0, 0, SRCCOPY | CAPTUREBLT);
            GdiFlush();
            image.width = currentWidth;
            image.height = currentHeight;
            const size_t count = static_cast<size_t>(currentWidth) * static_cast<size_t>(currentHeight);
            image.rgb.resize(count * 3);
            const auto* bgra = static_cast<const uint8_t*>(bits);
            for (size_t i = 0; i < count; ++i) {
                image.rgb[i * 3] = bgra[i * 4 + 2];
                image.rgb[i * 3 + 1] = bgra[i * 4 + 1];
                image.rgb[i * 3 + 2] = bgra[i * 4];
            }
            SelectObject(memory, previous);
        }
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
        ReleaseDC(view, source);
        return image;
    }

    bool pointer(PointerAction action, int32_t x, int32_t y) override {
        POINT at{x, y};
        ClientToScreen(view, &at);
        if (!SetCursorPos(at.x, at.y)) return false;
        INPUT input{};
        input.type = INPUT_MOUSE;
        input.mi.dwFlags = action == PointerAction::press     ? MOUSEEVENTF_LEFTDOWN
                           : action == PointerAction::release ? MOUSEEVENTF_LEFTUP
                                                              : MOUSEEVENTF_MOVE;
        return SendInput(1, &input, sizeof input) == 1;
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
