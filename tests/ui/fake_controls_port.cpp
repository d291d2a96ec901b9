#include "ui/fake_controls_port.h"

namespace zt::test {

using std::to_string;

bool FakeControlsPort::createWindow(const WindowSpec& s) {
    record(std::string("window ") + s.className + " " + s.title + " " + to_string(s.outerWidth) +
           " " + to_string(s.outerHeight));
    return true;
}

ControlHandle FakeControlsPort::add(const ControlSpec& params, std::string line) {
    const ControlHandle h = 1000 + static_cast<ControlHandle>(controls_.size());
    controls_[h] = {params, params.visible, params.rect.x, params.rect.y, params.text};
    const Rect& r = params.rect;
    record(line + " " + to_string(params.id) + " " + to_string(r.x) + " " + to_string(r.y) + " " +
           to_string(r.width) + " " + to_string(r.height) + " " + to_string(params.bitmapId) +
           (params.visible ? " shown " : " hidden ") + params.text);
    return h;
}

ControlHandle FakeControlsPort::createStatusBar(int id, int rightPartWidth, const std::string& rightText) {
    return statusBar_ = add({ControlKind::CommandButton, id, "", {0, 0, 0, 0}, true, 0},
                            "statusbar " + to_string(rightPartWidth) + " " + rightText);
}

ControlHandle FakeControlsPort::createButton(const ControlSpec& params) {
    if (params.id == failId_) return 0;
    return add(params, params.kind == ControlKind::DeviceButton ? "device" : "button");
}

ControlHandle FakeControlsPort::createProgressBar(int id, Rect rect) {
    return progress_ = add({ControlKind::CommandButton, id, "", rect, false, 0}, "progress");
}

void FakeControlsPort::setVisible(ControlHandle control, bool visible) {
    FakeControl& c = controls_.at(control);
    c.visible = visible;
    record("visible " + to_string(c.params.id) + (visible ? " 1" : " 0"));
}

void FakeControlsPort::moveAndRaise(ControlHandle control, int x, int y) {
    FakeControl& c = controls_.at(control);
    c.x = x;
    c.y = y;
    record("move " + to_string(c.params.id) + " " + to_string(x) + " " + to_string(y));
}

void FakeControlsPort::setText(ControlHandle control, const std::string& text) {
    FakeControl& c = controls_.at(control);
    c.text = text;
    record("text " + to_string(c.params.id) + " " + text);
}

void FakeControlsPort::setStatusText(const std::string& text) {
    statuses_.push_back(text);
    record("status " + text);
}

void FakeControlsPort::setProgressMarquee(int intervalMilliseconds) {
    record("marquee " + to_string(intervalMilliseconds));
}

void FakeControlsPort::setProgressRange(int maximum) {
    record("range " + to_string(maximum));
}

void FakeControlsPort::setProgressPosition(int position) {
    position_ = position;
    record("position " + to_string(position));
}

bool FakeControlsPort::runFileDialog(const FileDialogSpec& params, std::string& path) {
    dialogs_.push_back({params, path});
    record(std::string("dialog ") + params.filterDescription);
    if (answers_.empty()) return false;
    const std::optional<std::string> answer = answers_.front();
    answers_.pop_front();
    if (!answer || static_cast<int>(answer->size()) + 1 > params.largestPath) return false;
    path = *answer;
    return true;
}

void FakeControlsPort::answerDialog(std::optional<std::string> path) {
    answers_.push_back(std::move(path));
}

ControlHandle FakeControlsPort::handleOfId(int id) const {
    for (const auto& [h, c] : controls_)
        if (c.params.id == id) return h;
    return 0;
}

std::vector<int> FakeControlsPort::visibleIds() const {
    std::vector<int> ids;
    for (const auto& [h, c] : controls_)
        if (c.visible && h != statusBar_) ids.push_back(c.params.id);
    return ids;
}

}  // namespace zt::test
