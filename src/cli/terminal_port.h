// The controls port of the terminal front end. The window's status texts become lines on the
// error stream; its progress bar becomes a bar redrawn in place on a terminal, or percent lines
// (each percent at most once) when the stream is a file or a pipe; its file dialogs are answered
// from the command line, never interactively. Buttons and device pictures have nothing to show.
//
// Threads: called by the worker while the main thread waits for it; the accessors are read by the
// main thread only after the worker's pass has ended.
#pragma once

#include <ostream>
#include <string>

#include "ui/controls_port.h"

namespace zt::cli {

class TerminalPort : public ControlsPort {
public:
    TerminalPort(std::ostream& err, bool terminal) : err_(err), terminal_(terminal) {}

    // Status texts and progress are shown only while echo is on: the searching and selecting
    // that lead up to an action are not the user's business.
    void setEcho(bool on) { echo_ = on; }
    // The path every file dialog gives. A save dialog refuses a file that exists unless `replace`
    // is set: the terminal's form of the question before replacing.
    void answerDialogs(std::string path, bool replace);
    const std::string& lastStatus() const { return lastStatus_; }
    // Why the last dialog gave no file ("" when it gave one).
    const std::string& dialogRefusal() const { return refusal_; }

    bool createWindow(const WindowSpec&) override { return true; }
    ControlHandle createStatusBar(int, int, const std::string&) override { return ++lastHandle_; }
    ControlHandle createButton(const ControlSpec&) override { return ++lastHandle_; }
    ControlHandle createProgressBar(int, Rect) override { return progressBar_ = ++lastHandle_; }
    void setVisible(ControlHandle control, bool visible) override;
    void moveAndRaise(ControlHandle, int, int) override {}
    void setText(ControlHandle, const std::string&) override {}
    void setStatusText(const std::string& text) override;
    void setProgressMarquee(int) override {}
    void setProgressRange(int maximum) override { maximum_ = maximum > 0 ? maximum : 1; }
    void setProgressPosition(int position) override;
    bool runFileDialog(const FileDialogSpec& params, std::string& path) override;

private:
    void endBarLine();

    std::ostream& err_;
    bool terminal_;
    bool echo_ = false;
    std::string answer_;
    bool replace_ = false;
    std::string lastStatus_;
    std::string refusal_;
    ControlHandle lastHandle_ = 0;
    ControlHandle progressBar_ = 0;
    int maximum_ = 1;
    int shownPercent_ = -1;  // highest percent shown since echo came on
    bool barOnLine_ = false;  // the terminal's cursor stands at the end of a drawn bar
    std::string barText_;     // the bar as last drawn
};

}  // namespace zt::cli
