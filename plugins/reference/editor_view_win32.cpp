// The reference editor on Windows: a GDI child window of the host's. Its messages arrive through
// the host's message loop, so input and exposures reach the editor there, not at idle.
#include <windows.h>

#include <cstring>

#include "plugins/reference/editor_view.h"

namespace reference {
namespace {

constexpr wchar_t kViewClass[] = L"KorvexReferenceEditor";

// [main] Views alive. The window class is registered while any is, so that a library unloaded
// and loaded again never finds its class pointing into the old copy.
int32_t gLiveViews = 0;

COLORREF gdiColour(uint32_t colour) {
    return RGB(colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF);
}

// The module this code lives in: the plug-in's DLL, not the host's executable.
HINSTANCE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

class DcCanvas final : public Canvas {
public:
    explicit DcCanvas(HDC target) : dc(target) {
        SetBkMode(dc, TRANSPARENT);
        SelectObject(dc, GetStockObject(ANSI_FIXED_FONT));
    }

    void fill(const Box& area, uint32_t colour) override {
        if (area.width <= 0 || area.height <= 0) return;
        RECT rect{area.x, area.y, area.x + area.width, area.y + area.height};
        HBRUSH brush = CreateSolidBrush(gdiColour(colour));
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }

    void text(int32_t x, int32_t baseline, const char* content, uint32_t colour) override {
        SetTextColor(dc, gdiColour(colour));
        SetTextAlign(dc, TA_LEFT | TA_BASELINE);
        TextOutA(dc, x, baseline, content, static_cast<int>(std::strlen(content)));
    }

private:
    HDC dc;
};

LRESULT CALLBACK handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

void registerClass() {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = handleMessage;
    windowClass.hInstance = thisModule();
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kViewClass;
    RegisterClassW(&windowClass);
}

class Win32View final : public EditorView {
public:
    Win32View(int32_t w, int32_t h, ViewListener& l) : listener(l), width(w), height(h) {
        if (gLiveViews++ == 0) registerClass();
    }

    ~Win32View() override {
        if (window) {
            SetWindowLongPtrW(window, GWLP_USERDATA, 0);
            DestroyWindow(window);
        }
        if (--gLiveViews == 0) UnregisterClassW(kViewClass, thisModule());
    }

    bool create(HWND parent) {
        window = CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, width, height, parent, nullptr,
                                 thisModule(), nullptr);
        if (!window) return false;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        repaint();
        return true;
    }

    // Messages come through the host's loop (handle() below).
    void idle() override {}

    void repaint() override {
        InvalidateRect(window, nullptr, FALSE);
        UpdateWindow(window);
    }

    LRESULT handle(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        const auto x = static_cast<int32_t>(static_cast<short>(LOWORD(lParam)));
        const auto y = static_cast<int32_t>(static_cast<short>(HIWORD(lParam)));
        switch (message) {
        case WM_PAINT:
            paint();
            return 0;
        case WM_ERASEBKGND:
            return 1;  // the paint covers everything
        case WM_LBUTTONDOWN:
            SetCapture(hwnd);
            last = POINT{x, y};
            listener.pointer(Pointer::press, x, y);
            return 0;
        case WM_MOUSEMOVE:
            if (wParam & MK_LBUTTON) {
                last = POINT{x, y};
                listener.pointer(Pointer::move, x, y);
            }
            return 0;
        case WM_LBUTTONUP:
            // Released before the capture goes, so the drag ends here and not where it last moved.
            listener.pointer(Pointer::release, x, y);
            ReleaseCapture();
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the mouse (a menu, a dialog, a switch to another program): the
            // button's release will go there, so the drag ends where the pointer last was.
            if (reinterpret_cast<HWND>(lParam) != hwnd) listener.pointer(Pointer::release, last.x, last.y);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
        }
    }

private:
    // Painted off screen first so that a repaint never shows half a picture.
    void paint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        HDC memory = CreateCompatibleDC(dc);
        HBITMAP bitmap = CreateCompatibleBitmap(dc, width, height);
        HGDIOBJ previous = SelectObject(memory, bitmap);
        DcCanvas canvas(memory);
        listener.paint(canvas);
        BitBlt(dc, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, previous);
        DeleteObject(bitmap);
        DeleteDC(memory);
        EndPaint(window, &ps);
    }

    ViewListener& listener;
    int32_t width;
    int32_t height;
    HWND window = nullptr;
    POINT last{0, 0};  // where the pointer was at the last press or drag
};

LRESULT CALLBACK handleMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* view = reinterpret_cast<Win32View*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    return view ? view->handle(hwnd, message, wParam, lParam) : DefWindowProcW(hwnd, message, wParam, lParam);
}

}  // namespace

std::unique_ptr<EditorView> EditorView::open(void* parent, int32_t width, int32_t height, ViewListener& listener) {
    if (!parent || width <= 0 || height <= 0 || !IsWindow(static_cast<HWND>(parent))) return nullptr;
    auto view = std::make_unique<Win32View>(width, height, listener);
    if (!view->create(static_cast<HWND>(parent))) return nullptr;
    return view;
}

}  // namespace reference
