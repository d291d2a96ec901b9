// The window's keyboard path: Tab and Shift+Tab walk the visible buttons in reading order (top row
// first, left to right), Enter presses the focused button as Space does, and the rest of dialog
// navigation is Windows' own (IsDialogMessage). GUI thread only, from the message loop.
#pragma once

#include <windows.h>

namespace zt {

// Offers a message of the thread's queue to the window's keyboard handling; true when it was
// handled there (dispatched included), false when the loop must translate and dispatch it.
bool handleDialogKeys(HWND window, MSG& message);

}  // namespace zt
