// A recording controls port: keeps each control's state (visible, place, text), the status line,
// the progress bar, and a log of every call; file dialogs answer from a script.
#pragma once

#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls_port.h"

namespace zt::test {

struct FakeControl {
    ControlSpec spec;
    bool visible;
    int x, y;
    std::string text;
    int raisedOrder = 0;
};

struct DialogCall {
    FileDialogSpec spec;
    std::string proposed;  // the path buffer's contents when the dialog opened
};

class FakeControlsPort : public ControlsPort {
public:
    bool createWindow(const WindowSpec& spec) override;
    ControlHandle createStatusBar(int id, int rightPartWidth, const std::string& rightText) override;
    ControlHandle createButton(const ControlSpec& spec) override;
    ControlHandle createProgressBar(int id, Rect rect) override;
    void setVisible(ControlHandle control, bool visible) override;
    void moveAndRaise(ControlHandle control, int x, int y) override;
    void setText(ControlHandle control, const std::string& text) override;
    void setStatusText(const std::string& text) override;
    void setProgressMarquee(int intervalMilliseconds) override;
    void setProgressRange(int maximum) override;
    void setProgressPosition(int position) override;
    bool runFileDialog(const FileDialogSpec& spec, std::string& path) override;

    // Script: the next dialog answers with this path (confirm) or with nullopt (cancel). With an
    // empty script a dialog cancels.
    void answerDialog(std::optional<std::string> path);

    // Inspection. The fake guards itself, so a test may read while a worker drives it.
    FakeControl control(ControlHandle handle) const;
    ControlHandle handleOfId(int id) const;
    std::vector<std::string> statuses() const;  // every status text set, in order
    std::string status() const;                 // the last one
    std::vector<DialogCall> dialogs() const;
    std::vector<std::string> log() const;       // one line per call, e.g. "visible 221 1"
    bool progressVisible() const;
    bool progressMarquee() const;
    int progressPosition() const;
    int progressMaximum() const;
    std::string statusRightText() const;
    int statusRightWidth() const;
    std::optional<WindowSpec> window() const;
    // Ids of the controls visible now (status bar excluded).
    std::vector<int> visibleIds() const;

    // Makes createButton fail for this id (0 = none), to test partial creation.
    void failCreationOf(int id) { failId_ = id; }

private:
    FakeControl& at(ControlHandle handle);
    void record(std::string line);

    mutable std::recursive_mutex mutex_;
    std::map<ControlHandle, FakeControl> controls_;
    std::vector<std::string> log_;
    std::vector<std::string> statuses_;
    std::vector<DialogCall> dialogs_;
    std::deque<std::optional<std::string>> answers_;
    std::optional<WindowSpec> window_;
    std::string rightText_;
    int rightWidth_ = 0;
    ControlHandle progress_ = 0;
    bool marquee_ = false;
    int position_ = 0;
    int maximum_ = 100;
    int raiseCounter_ = 0;
    int failId_ = 0;
    ControlHandle nextHandle_ = 1000;
};

}  // namespace zt::test
