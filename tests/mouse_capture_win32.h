// Win32 mouse capture for tests, away from <windows.h>, whose GUID clashes with the module's.
#pragma once

namespace display_testing {

// The window (an HWND) takes the mouse, as a menu or a dialog does; the old owner loses it.
void takeMouse(void* window);
// Whichever window of this thread holds the mouse lets it go.
void releaseMouse();

}  // namespace display_testing
