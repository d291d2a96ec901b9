// The controls port: the few things MainWindow asks of a toolkit. Qt, Win32 and the tests' recording
// fake implement it; everything the window decides lives in MainWindow.
//
// Threads: the create* calls run on the GUI thread before the worker starts. Every other call may
// come from the worker thread; an implementation carries it out on the GUI thread and returns only
// when it is done (the file dialogs included, which are modal to the main window).
#pragma once

#include <string>

namespace zt {

// A control as the toolkit knows it; 0 means "not created".
using ControlHandle = long long;

struct Rect {
    int x, y, width, height;
};

enum class ControlKind {
    CommandButton,  // text caption, the button font
    DeviceButton,   // shows only its picture (bitmapId), centred; its text is never drawn
};

struct ControlSpec {
    ControlKind kind;
    int id;           // the Win32 control id; toolkits without ids may ignore it
    const char* text; // caption at creation; for a DeviceButton the kind's name, unseen, given
                      // to assistive technology and shown as the tooltip
    Rect rect;        // client coordinates
    bool visible;     // shown at creation
    int bitmapId;     // DeviceButton only: the picture resource (151..158)
};

enum class FileDialogKind { Open, Save };

struct FileDialogSpec {
    FileDialogKind kind;
    const char* filterDescription;  // e.g. "Presets File (*.zentari)"
    const char* filterPattern;      // e.g. "*.zentari" (patterns separated by ';')
    const char* defaultExtension;   // appended to a typed name without one; nullptr for none
    int largestPath;                // characters including the terminator; a longer path fails
};

struct WindowSpec {
    const char* className;  // "ZentariToolMainWindow"
    const char* title;      // "Zentari Tool"
    int outerWidth;         // 350, frame included, centred on the primary screen
    int outerHeight;        // 235
};

class ControlsPort {
public:
    virtual ~ControlsPort() = default;

    // Creation: the fixed-size, always-on-top main window, shown at once.
    virtual bool createWindow(const WindowSpec& params) = 0;
    // The status bar along the bottom edge: a left part for messages and a right part
    // `rightPartWidth` pixels wide holding `rightText`.
    virtual ControlHandle createStatusBar(int id, int rightPartWidth, const std::string& rightText) = 0;
    virtual ControlHandle createButton(const ControlSpec& params) = 0;
    virtual ControlHandle createProgressBar(int id, Rect rect) = 0;

    // Runtime operations on controls created above.
    virtual void setVisible(ControlHandle control, bool visible) = 0;
    // Moves without resizing and raises the control above its siblings.
    virtual void moveAndRaise(ControlHandle control, int x, int y) = 0;
    virtual void setText(ControlHandle control, const std::string& text) = 0;
    virtual void setStatusText(const std::string& text) = 0;
    // Gives the control the keyboard focus (GUI thread, after creation). Ports without a keyboard
    // path ignore it.
    virtual void setFocus(ControlHandle) {}

    // Progress bar modes.
    virtual void setProgressMarquee(int intervalMilliseconds) = 0;
    // A normal bar over [0, maximum], showing `position`.
    virtual void setProgressRange(int maximum) = 0;
    virtual void setProgressPosition(int position) = 0;

    // Runs the dialog with `path` as the proposed file name. On confirm writes the chosen full path
    // (UTF-8) into `path` and gives true; gives false on cancel, failure, or a path that does not
    // fit `largestPath`, leaving `path` unchanged.
    virtual bool runFileDialog(const FileDialogSpec& params, std::string& path) = 0;
};

}  // namespace zt
