// Win32Controls: the controls port over the Win32 window, its common controls and the file
// dialogs. Control handles are the controls' window handles.
//
// Threads: the create* calls run on the GUI thread before the worker starts. The other calls come
// from the worker and act on windows the GUI thread owns; Win32 delivers each of them (ShowWindow,
// SetWindowPos, WM_SETTEXT, the status and progress messages) to the GUI thread's window procedure
// with a sent message and returns when it was carried out, so the GUI thread must keep pumping
// messages meanwhile. The file dialogs run modal on the calling thread, owned by the main window.
#pragma once

#include <windows.h>

#include <string>

#include "ui/controls_port.h"

namespace zt {

class ActionDispatcher;

class Win32Controls : public ControlsPort {
public:
    explicit Win32Controls(HINSTANCE instance) : instance_(instance) {}
    Win32Controls(const Win32Controls&) = delete;
    Win32Controls& operator=(const Win32Controls&) = delete;

    // Where the window procedure sends button clicks. Set before createWindow; it must outlive
    // the window.
    void setCommandTarget(ActionDispatcher* dispatcher) { commands_ = dispatcher; }
    ActionDispatcher* commandTarget() const { return commands_; }

    HWND window() const { return window_; }
    HWND statusBar() const { return statusBar_; }
    HWND progressBar() const { return progressBar_; }
    // The tooltip control that names each device button; null before the first one exists.
    HWND tooltip() const { return tooltip_; }
    // The flags of a file dialog of this kind.
    static DWORD dialogFlags(FileDialogKind kind);

    static HWND windowOf(ControlHandle control) {
        return reinterpret_cast<HWND>(static_cast<INT_PTR>(control));
    }
    static ControlHandle handleOf(HWND window) {
        return static_cast<ControlHandle>(reinterpret_cast<INT_PTR>(window));
    }

    bool createWindow(const WindowSpec& params) override;
    ControlHandle createStatusBar(int id, int rightPartWidth, const std::string& rightText) override;
    ControlHandle createButton(const ControlSpec& params) override;
    ControlHandle createProgressBar(int id, Rect rect) override;

    void setVisible(ControlHandle control, bool visible) override;
    void moveAndRaise(ControlHandle control, int x, int y) override;
    void setText(ControlHandle control, const std::string& text) override;
    void setStatusText(const std::string& text) override;
    // GUI thread only (MainWindow calls it from create()).
    void setFocus(ControlHandle control) override;

    void setProgressMarquee(int intervalMilliseconds) override;
    void setProgressRange(int maximum) override;
    void setProgressPosition(int position) override;

    bool runFileDialog(const FileDialogSpec& params, std::string& path) override;

private:
    HWND createChild(const char* className, const char* text, DWORD style, Rect rect, int id);
    void giveImageList(HWND button, int bitmapId);
    void addTooltip(HWND button, const char* text);
    void setProgressStyle(DWORD modeBits);

    HINSTANCE instance_;
    ActionDispatcher* commands_ = nullptr;
    HWND window_ = nullptr;
    HWND statusBar_ = nullptr;
    HWND progressBar_ = nullptr;
    HWND tooltip_ = nullptr;
    HFONT buttonFont_ = nullptr;  // kept for the life of the process, like the image lists
};

}  // namespace zt
