// The Windows entry point: builds the tool's objects, creates the window, starts the worker and
// runs the message loop until the window is closed.
#include <windows.h>

#include "app/tool.h"
#include "ui/win32/dialog_keys.h"
#include "ui/win32/resource.h"
#include "ui/win32/win32_controls.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Never destroyed: the worker may be in the middle of an action when the window closes, and
    // it must not find these objects half torn down.
    auto* controls = new zt::Win32Controls(instance);
    static zt::FirmwareImage image;  // static storage: untouched until the first firmware read
    auto* tool = new zt::Tool(*controls, &image);
    controls->setCommandTarget(&tool->dispatcher);

    // Without its window, or without the worker that serves its buttons, the program could only
    // sit there unseen or unanswering; it ends instead.
    if (!tool->window.create()) ExitProcess(1);
    if (!tool->dispatcher.startWorker()) ExitProcess(1);

    // There is no accelerator table; the load yields none and nothing is translated.
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDA_ACCELERATORS));
    MSG message{};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (TranslateAcceleratorA(message.hwnd, accelerators, &message)) continue;
        if (zt::handleDialogKeys(controls->window(), message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    // End here, at once: returning would tear down the C++ runtime (static objects, streams)
    // while the worker may still be inside an action.
    ExitProcess(static_cast<UINT>(message.wParam));
}
