// A recording controls port: keeps each control's state (visible, place, text), the status texts,
// the progress bar and a log of every call; file dialogs answer from a script.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls_port.h"

namespace zt::test {

struct FakeControl {
    ControlSpec params;
    bool visible;
    int x, y;
    std::string text;
};

struct DialogCall {
    FileDialogSpec params;
    std::string proposed;  // the path buffer's contents when the dialog opened
};

class FakeControlsPort : public ControlsPort {
public:
    bool createWindow(const WindowSpec& params) override;
    ControlHandle createStatusBar(int id, int rightPartWidth, const std::string& rightText) override;
    ControlHandle createButton(const ControlSpec& params) override;
    ControlHandle createProgressBar(int id, Rect rect) override;
    void setVisible(ControlHandle control, bool visible) override;
    void moveAndRaise(ControlHandle control, int x, int y) override;
    void setText(ControlHandle control, const std::string& text) override;
    void setStatusText(const std::string& text) override;
    void setProgressMarquee(int intervalMilliseconds) override;
    void setProgressRange(int maximum) override;
    void setProgressPosition(int position) override;
    bool runFileDialog(const FileDialogSpec& params, std::string& path) override;

    // The next dialog confirms this path, or cancels for nullopt; with nothing scripted it cancels.
    void answerDialog(std::optional<std::string> path);
    // Makes createButton fail for this id, to test partial creation.
    void failCreationOf(int id) { failId_ = id; }

    // Inspection. Not guarded: read only while no worker drives the port.
    FakeControl control(ControlHandle handle) const { return controls_.at(handle); }
    ControlHandle handleOfId(int id) const;  // 0 when no control has the id
    std::vector<int> visibleIds() const;     // status bar excluded
    std::vector<std::string> log() const { return log_; }  // one line per call: "visible 221 1"
    std::vector<std::string> statuses() const { return statuses_; }
    std::string status() const { return statuses_.empty() ? "" : statuses_.back(); }
    std::vector<DialogCall> dialogs() const { return dialogs_; }
    bool progressVisible() const { return progress_ && controls_.at(progress_).visible; }
    int progressPosition() const { return position_; }

private:
    ControlHandle add(const ControlSpec& params, std::string line);
    void record(std::string line) { log_.push_back(std::move(line)); }

    std::map<ControlHandle, FakeControl> controls_;
    std::vector<std::string> log_, statuses_;
    std::vector<DialogCall> dialogs_;
    std::deque<std::optional<std::string>> answers_;
    ControlHandle progress_ = 0, statusBar_ = 0;
    int position_ = 0, failId_ = 0;
};

}  // namespace zt::test
