#include "ui/fake_controls_port.h"

namespace zt::test {

using Guard = std::lock_guard<std::recursive_mutex>;

void FakeControlsPort::record(std::string line) { log_.push_back(std::move(line)); }

FakeControl& FakeControlsPort::at(ControlHandle handle) { return controls_.at(handle); }

bool FakeControlsPort::createWindow(const WindowSpec& spec) {
    Guard g(mutex_);
    window_ = spec;
    record(std::string("window ") + spec.title);
    return true;
}

ControlHandle FakeControlsPort::createStatusBar(int id, int rightPartWidth,
                                                const std::string& rightText) {
    Guard g(mutex_);
    rightText_ = rightText;
    rightWidth_ = rightPartWidth;
    const ControlHandle h = nextHandle_++;
    controls_[h] = {{ControlKind::CommandButton, id, "", {0, 0, 0, 0}, true, 0}, true, 0, 0, ""};
    record("statusbar " + std::to_string(id));
    return h;
}

ControlHandle FakeControlsPort::createButton(const ControlSpec& spec) {
    Guard g(mutex_);
    if (spec.id == failId_) return 0;
    const ControlHandle h = nextHandle_++;
    controls_[h] = {spec, spec.visible, spec.rect.x, spec.rect.y, spec.text};
    record("button " + std::to_string(spec.id));
    return h;
}

ControlHandle FakeControlsPort::createProgressBar(int id, Rect rect) {
    Guard g(mutex_);
    const ControlHandle h = nextHandle_++;
    controls_[h] = {{ControlKind::CommandButton, id, "", rect, false, 0}, false, rect.x, rect.y, ""};
    progress_ = h;
    record("progress " + std::to_string(id));
    return h;
}

void FakeControlsPort::setVisible(ControlHandle control, bool visible) {
    Guard g(mutex_);
    FakeControl& c = at(control);
    c.visible = visible;
    record("visible " + std::to_string(c.spec.id) + " " + (visible ? "1" : "0"));
}

void FakeControlsPort::moveAndRaise(ControlHandle control, int x, int y) {
    Guard g(mutex_);
    FakeControl& c = at(control);
    c.x = x;
    c.y = y;
    c.raisedOrder = ++raiseCounter_;
    record("move " + std::to_string(c.spec.id) + " " + std::to_string(x) + " " + std::to_string(y));
}

void FakeControlsPort::setText(ControlHandle control, const std::string& text) {
    Guard g(mutex_);
    FakeControl& c = at(control);
    c.text = text;
    record("text " + std::to_string(c.spec.id) + " " + text);
}

void FakeControlsPort::setStatusText(const std::string& text) {
    Guard g(mutex_);
    statuses_.push_back(text);
    record("status " + text);
}

void FakeControlsPort::setProgressMarquee(int intervalMilliseconds) {
    Guard g(mutex_);
    marquee_ = true;
    record("marquee " + std::to_string(intervalMilliseconds));
}

void FakeControlsPort::setProgressRange(int maximum) {
    Guard g(mutex_);
    marquee_ = false;
    maximum_ = maximum;
    record("range " + std::to_string(maximum));
}

void FakeControlsPort::setProgressPosition(int position) {
    Guard g(mutex_);
    position_ = position;
    record("position " + std::to_string(position));
}

bool FakeControlsPort::runFileDialog(const FileDialogSpec& spec, std::string& path) {
    Guard g(mutex_);
    dialogs_.push_back({spec, path});
    record(std::string("dialog ") + spec.filterDescription);
    if (answers_.empty()) return false;
    std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    if (!answer || static_cast<int>(answer->size()) + 1 > spec.largestPath) return false;
    path = *answer;
    return true;
}

void FakeControlsPort::answerDialog(std::optional<std::string> path) {
    Guard g(mutex_);
    answers_.push_back(std::move(path));
}

FakeControl FakeControlsPort::control(ControlHandle handle) const {
    Guard g(mutex_);
    return controls_.at(handle);
}

ControlHandle FakeControlsPort::handleOfId(int id) const {
    Guard g(mutex_);
    for (const auto& [h, c] : controls_) {
        if (c.spec.id == id) return h;
    }
    return 0;
}

std::vector<std::string> FakeControlsPort::statuses() const {
    Guard g(mutex_);
    return statuses_;
}

std::string FakeControlsPort::status() const {
    Guard g(mutex_);
    return statuses_.empty() ? std::string() : statuses_.back();
}

std::vector<DialogCall> FakeControlsPort::dialogs() const {
    Guard g(mutex_);
    return dialogs_;
}

std::vector<std::string> FakeControlsPort::log() const {
    Guard g(mutex_);
    return log_;
}

bool FakeControlsPort::progressVisible() const {
    Guard g(mutex_);
    return progress_ != 0 && controls_.at(progress_).visible;
}

bool FakeControlsPort::progressMarquee() const {
    Guard g(mutex_);
    return marquee_;
}

int FakeControlsPort::progressPosition() const {
    Guard g(mutex_);
    return position_;
}

int FakeControlsPort::progressMaximum() const {
    Guard g(mutex_);
    return maximum_;
}

std::string FakeControlsPort::statusRightText() const {
    Guard g(mutex_);
    return rightText_;
}

int FakeControlsPort::statusRightWidth() const {
    Guard g(mutex_);
    return rightWidth_;
}

std::optional<WindowSpec> FakeControlsPort::window() const {
    Guard g(mutex_);
    return window_;
}

std::vector<int> FakeControlsPort::visibleIds() const {
    Guard g(mutex_);
    std::vector<int> ids;
    for (const auto& [h, c] : controls_) {
        if (c.visible && c.spec.id != 211) ids.push_back(c.spec.id);
    }
    return ids;
}

}  // namespace zt::test
