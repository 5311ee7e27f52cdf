// Win32 mouse capture for tests.
#include "mouse_capture_win32.h"

#include <windows.h>

namespace display_testing {

void takeMouse(void* window) { SetCapture(static_cast<HWND>(window)); }

void releaseMouse() { ReleaseCapture(); }

}  // namespace display_testing
