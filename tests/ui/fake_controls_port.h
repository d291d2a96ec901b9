// A recording controls port: which controls show, the status texts, the focus, a log of the calls
// that show things, file dialogs answered from a script. Places and captions: see tests/qt, win32.
#pragma once

#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ui/controls_port.h"

namespace zt::test {

// Not guarded: inspect it only while no worker drives it.
class FakeControlsPort : public ControlsPort {
public:
    bool createWindow(const WindowSpec&) override { return failId_ != -1; }
    ControlHandle createStatusBar(int, int, const std::string&) override { return 1; }
    ControlHandle createButton(const ControlSpec& c) override { return add(c.id, c.visible); }
    ControlHandle createProgressBar(int id, Rect) override { return add(id, false); }
    void setVisible(ControlHandle control, bool visible) override {
        visible_.at(control) = visible;  // throws for a handle never made, 0 included
        log_.push_back("visible " + std::to_string(control - kBase) + (visible ? " 1" : " 0"));
    }
    void moveAndRaise(ControlHandle, int, int) override {}
    void setText(ControlHandle, const std::string&) override {}
    void setStatusText(const std::string& text) override {
        statuses_.push_back(text);
        log_.push_back("status " + text);
    }
    void setFocus(ControlHandle control) override { focus_ = control; }
    void setProgressMarquee(int) override {}
    void setProgressRange(int) override {}
    void setProgressPosition(int at) override { log_.push_back("position " + std::to_string(at)); }
    bool runFileDialog(const FileDialogSpec& params, std::string& path) override {
        dialogs_.push_back(path);
        log_.push_back(std::string("dialog ") + params.filterDescription);
        const auto answer = answers_.empty() ? std::nullopt : answers_.front();
        if (!answers_.empty()) answers_.pop_front();
        if (!answer || static_cast<int>(answer->size()) + 1 > params.largestPath) return false;
        path = *answer;
        return true;
    }

    // The next dialog confirms this path, or cancels for nullopt; with nothing scripted it cancels.
    void answerDialog(std::optional<std::string> path) { answers_.push_back(std::move(path)); }
    void failCreationOf(int id) { failId_ = id; }  // that control's creation fails; -1: the window
    ControlHandle focus() const { return focus_; }
    std::vector<std::string> log() const { return log_; }  // e.g. "visible 221 1", "status ..."
    std::vector<std::string> statuses() const { return statuses_; }
    std::vector<std::string> dialogs() const { return dialogs_; }  // each one's buffer on opening
    bool progressVisible() const { return visible_.at(kBase + 221); }

private:
    static constexpr ControlHandle kBase = 1000;  // a handle is not its id: a mix-up shows

    ControlHandle add(int id, bool visible) {
        if (id == failId_) return 0;
        visible_[kBase + id] = visible;
        return kBase + id;
    }

    std::map<ControlHandle, bool> visible_;  // by handle, so in the order of the ids
    std::vector<std::string> log_, statuses_, dialogs_;
    std::deque<std::optional<std::string>> answers_;
    ControlHandle focus_ = 0;
    int failId_ = 0;
};

}  // namespace zt::test
