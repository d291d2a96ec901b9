// A recording controls port: each control's state, the status texts, the focus, a log of the calls
// that show things, and file dialogs answered from a script.
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
    int x, y;  // the place it was last moved to
    std::string text;
};

struct DialogCall {
    FileDialogSpec params;
    std::string proposed;  // the path buffer's contents when the dialog opened
};

// Not guarded: inspect it only while no worker drives it.
class FakeControlsPort : public ControlsPort {
public:
    bool createWindow(const WindowSpec&) override { return true; }
    ControlHandle createStatusBar(int id, int, const std::string&) override {
        return statusBar_ = add({ControlKind::CommandButton, id, "", {0, 0, 0, 0}, true, 0});
    }
    ControlHandle createButton(const ControlSpec& params) override { return add(params); }
    ControlHandle createProgressBar(int id, Rect rect) override {
        return progress_ = add({ControlKind::CommandButton, id, "", rect, false, 0});
    }
    void setVisible(ControlHandle control, bool visible) override {
        FakeControl& c = controls_.at(control);
        c.visible = visible;
        log_.push_back("visible " + std::to_string(c.params.id) + (visible ? " 1" : " 0"));
    }
    void moveAndRaise(ControlHandle control, int x, int y) override {
        controls_.at(control).x = x;
        controls_.at(control).y = y;
    }
    void setText(ControlHandle c, const std::string& text) override { controls_.at(c).text = text; }
    void setStatusText(const std::string& text) override {
        statuses_.push_back(text);
        log_.push_back("status " + text);
    }
    void setFocus(ControlHandle control) override { focus_ = control; }
    void setProgressMarquee(int ms) override { log_.push_back("marquee " + std::to_string(ms)); }
    void setProgressRange(int top) override { log_.push_back("range " + std::to_string(top)); }
    void setProgressPosition(int position) override {
        position_ = position;
        log_.push_back("position " + std::to_string(position));
    }
    bool runFileDialog(const FileDialogSpec& params, std::string& path) override {
        dialogs_.push_back({params, path});
        log_.push_back(std::string("dialog ") + params.filterDescription);
        if (answers_.empty()) return false;
        const std::optional<std::string> answer = answers_.front();
        answers_.pop_front();
        if (!answer || static_cast<int>(answer->size()) + 1 > params.largestPath) return false;
        path = *answer;
        return true;
    }

    // The next dialog confirms this path, or cancels for nullopt; with nothing scripted it cancels.
    void answerDialog(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
    void failCreationOf(int id) { failId_ = id; }  // that control's creation fails
    FakeControl control(ControlHandle handle) const { return controls_.at(handle); }
    ControlHandle focus() const { return focus_; }
    std::vector<int> visibleIds() const {  // status bar excluded
        std::vector<int> ids;
        for (const auto& [handle, c] : controls_) {
            if (c.visible && handle != statusBar_) ids.push_back(c.params.id);
        }
        return ids;
    }
    std::vector<std::string> log() const { return log_; }  // e.g. "visible 221 1", "status ..."
    std::vector<std::string> statuses() const { return statuses_; }
    std::string status() const { return statuses_.empty() ? "" : statuses_.back(); }
    std::vector<DialogCall> dialogs() const { return dialogs_; }
    bool progressVisible() const { return progress_ && controls_.at(progress_).visible; }
    int progressPosition() const { return position_; }

private:
    ControlHandle add(const ControlSpec& params) {
        if (params.id == failId_) return 0;
        const ControlHandle handle = 1000 + static_cast<ControlHandle>(controls_.size());
        controls_[handle] = {params, params.visible, params.rect.x, params.rect.y, params.text};
        return handle;
    }

    std::map<ControlHandle, FakeControl> controls_;
    std::vector<std::string> log_, statuses_;
    std::vector<DialogCall> dialogs_;
    std::deque<std::optional<std::string>> answers_;
    ControlHandle progress_ = 0, statusBar_ = 0, focus_ = 0;
    int position_ = 0, failId_ = 0;
};

}  // namespace zt::test
