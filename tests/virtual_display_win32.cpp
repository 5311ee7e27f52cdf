// Windows has a desktop to open windows on (under Wine only with an X display behind it); the
// windows counted are this process's own.
#include <windows.h>

#include <string>

#include "virtual_display.h"

namespace display_testing {
namespace {

BOOL CALLBACK countChild(HWND, LPARAM total) {
    ++*reinterpret_cast<int32_t*>(total);
    return TRUE;
}

BOOL CALLBACK countTopLevel(HWND window, LPARAM total) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<int32_t*>(total);
    EnumChildWindows(window, countChild, total);
    return TRUE;
}

}  // namespace

bool haveDisplay(std::string* reason) {
    // A window that can be made tells; Wine without an X display refuses every one.
    HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr),
                                 nullptr);
    if (probe) {
        DestroyWindow(probe);
        return true;
    }
    if (reason) *reason = "no desktop to open windows on (CreateWindowEx failed with error " +
                          std::to_string(GetLastError()) + "; under Wine, no X display)";
    return false;
}

int32_t windowCount() {
    int32_t total = 0;
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&total));
    return total;
}

NoDisplay::NoDisplay() {}

NoDisplay::~NoDisplay() {}

}  // namespace display_testing
