// The main window's procedure: turns button clicks into the dispatcher's requests and does
// nothing else. It paints nothing, and the window's destruction ends the message loop.
//
// The window keeps its Win32Controls in GWLP_USERDATA (set from the creation parameter), whose
// command target receives the clicks; a click is known by the sender's window handle and a
// notification code of 0, never by the control id. GUI thread only.
#pragma once

#include <windows.h>

namespace zt {

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace zt
