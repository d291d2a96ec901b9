#include "ui/win32/window_procedure.h"

#include "app/action_dispatcher.h"
#include "ui/win32/win32_controls.h"

namespace zt {

LRESULT CALLBACK mainWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCCREATE: {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
        return DefWindowProcA(window, message, wParam, lParam);
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_COMMAND: {
        const auto* controls = reinterpret_cast<const Win32Controls*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (controls != nullptr && controls->commandTarget() != nullptr) {
            controls->commandTarget()->onCommand(Win32Controls::handleOf(reinterpret_cast<HWND>(lParam)),
                                                 HIWORD(wParam));
        }
        // A command that matches no control is consumed all the same.
        return 0;
    }
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace zt
