// Windows always has a desktop to open windows on; the windows counted are this process's own.
#include <windows.h>

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

bool haveDisplay(std::string*) { return true; }

int32_t windowCount() {
    int32_t total = 0;
    EnumWindows(countTopLevel, reinterpret_cast<LPARAM>(&total));
    return total;
}

NoDisplay::NoDisplay() {}

NoDisplay::~NoDisplay() {}

}  // namespace display_testing
