#include "cli/terminal_port.h"

#include <cstdio>

#include "platform/open_file.h"

namespace zt::cli {

namespace {

constexpr int kBarWidth = 30;

}  // namespace

void TerminalPort::answerDialogs(std::string path, bool replace) {
    answer_ = std::move(path);
    replace_ = replace;
    refusal_.clear();
    shownPercent_ = -1;
}

void TerminalPort::endBarLine() {
    if (!barOnLine_) return;
    err_ << '\n';
    barOnLine_ = false;
}

void TerminalPort::setVisible(ControlHandle control, bool visible) {
    if (control == progressBar_ && !visible) endBarLine();
}

void TerminalPort::setStatusText(const std::string& text) {
    lastStatus_ = text;
    // The window clears its status when a dialog is cancelled; a terminal has no line to clear.
    if (!echo_ || text.empty()) return;
    if (barOnLine_ && shownPercent_ == 0) {
        // The text that announces the work goes above the empty bar; the outcome goes below it.
        err_ << '\r' << std::string(barText_.size(), ' ') << '\r' << text << '\n' << barText_;
    } else {
        endBarLine();
        err_ << text << '\n';
    }
    err_.flush();
}

void TerminalPort::setProgressPosition(int position) {
    // MainWindow keeps the position within 0..maximum.
    const int percent = position * 100 / maximum_;
    if (!echo_ || percent <= shownPercent_) return;
    shownPercent_ = percent;
    if (!terminal_) {
        err_ << percent << "%\n";
        return;
    }
    const int filled = percent * kBarWidth / 100;
    std::string bar(static_cast<std::size_t>(filled), '=');
    bar += '>';  // the tip, cut off again when the bar is full
    bar.resize(kBarWidth, ' ');
    char number[16];
    std::snprintf(number, sizeof number, "%3d%%", percent);
    barText_ = "\r[" + bar + "] " + number;
    err_ << barText_;
    err_.flush();
    barOnLine_ = true;
}

bool TerminalPort::runFileDialog(const FileDialogSpec& params, std::string& path) {
    refusal_.clear();
    if (answer_.size() + 1 > static_cast<std::size_t>(params.largestPath)) {
        refusal_ = "the path is longer than " + std::to_string(params.largestPath - 1) +
                   " characters";
        return false;
    }
    if (params.kind == FileDialogKind::Save && !replace_ && canOpenForReading(answer_)) {
        refusal_ = answer_ + " exists; add --force to replace it";
        return false;
    }
    path = answer_;
    return true;
}

}  // namespace zt::cli
