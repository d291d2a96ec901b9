#include "ui/main_window.h"

#include <algorithm>

#include "devices/device_registry.h"

namespace zt {

MainWindow::MainWindow(DeviceRegistry& registry, ControlsPort& port, std::string versionText)
    : registry_(registry),
      port_(port),
      deviceButtons_(registry.rowCount(), 0),
      versionText_(std::move(versionText)) {}

bool MainWindow::create() {
    if (!port_.createWindow(layout::kWindow)) return false;
    if (!createControls()) return false;
    // The keyboard starts where every use of the window starts.
    port_.setFocus(commandButtons_[0]);
    return true;
}

bool MainWindow::createControls() {
    statusBar_ = port_.createStatusBar(layout::kStatusBarId, layout::kStatusRightPartWidth,
                                       versionText_);
    for (int slot = 0; slot < layout::kCommandButtonCount; ++slot) {
        commandButtons_[slot] = port_.createButton(layout::kCommandButtons[slot]);
        if (commandButtons_[slot] == 0) return false;
    }
    progressBar_ = port_.createProgressBar(layout::kProgressBarId, layout::kProgressRect);
    if (progressBar_ == 0) return false;
    // A missing device button or picture leaves that button out and everything else working.
    for (unsigned row = 0; row < deviceButtons_.size(); ++row) {
        deviceButtons_[row] = port_.createButton(
            {ControlKind::DeviceButton,
             layout::kDeviceButtonFirstId + layout::kDeviceButtonIdStep * static_cast<int>(row),
             registry_.row(row).name, layout::kDeviceButtonRect, false, registry_.bitmapIdOf(row)});
    }
    return true;
}

void MainWindow::setStatus(const std::string& text) { port_.setStatusText(text); }

void MainWindow::showFoundDeviceButtons() {
    std::size_t next = 0;
    for (unsigned row = 0; row < registry_.rowCount(); ++row) {
        const bool found = registry_.isFound(row) == 1 && next < layout::kDevicePositions.size();
        const layout::Point at = found ? layout::kDevicePositions[next] : layout::Point{0, 0};
        placeDeviceButton(row, found, at.x, at.y);
        if (found) ++next;
    }
}

void MainWindow::showSelectedDeviceButton() {
    hideDeviceButtons();
    const layout::Point first = layout::kDevicePositions[0];
    placeDeviceButton(registry_.selectedIndex(), true, first.x, first.y);
}

void MainWindow::hideDeviceButtons() {
    for (ControlHandle button : deviceButtons_) {
        if (button) port_.setVisible(button, false);
    }
}

void MainWindow::placeDeviceButton(unsigned row, bool show, int x, int y) {
    if (row >= deviceButtons_.size() || deviceButtons_[row] == 0) return;
    const ControlHandle button = deviceButtons_[row];
    port_.setVisible(button, false);
    if (!show) return;
    port_.moveAndRaise(button, x, y);
    port_.setVisible(button, true);
}

void MainWindow::showUpdateButton() { port_.setVisible(commandButtons_[1], true); }

void MainWindow::hideUpdateButton() { port_.setVisible(commandButtons_[1], false); }

void MainWindow::setCaptionsAndShow(const std::array<const char*, 5>& captions) {
    for (int i = 0; i < 5; ++i) {
        if (captions[i][0] != '\0') port_.setText(commandButtons_[2 + i], captions[i]);
    }
    for (int i = 0; i < 5; ++i) {
        if (captions[i][0] != '\0') port_.setVisible(commandButtons_[2 + i], true);
    }
}

void MainWindow::showPresetButtons() { setCaptionsAndShow(layout::kPresetCaptions); }

void MainWindow::showBankButtons() { setCaptionsAndShow(layout::kBankCaptions); }

void MainWindow::hideTransferButtons() {
    for (int slot = 2; slot < layout::kSlotCount; ++slot) {
        if (commandButtons_[slot]) port_.setVisible(commandButtons_[slot], false);
    }
}

void MainWindow::showBusyProgress() {
    port_.setProgressMarquee(layout::kMarqueeIntervalMs);
    port_.setVisible(progressBar_, true);
}

void MainWindow::startProgress() {
    progressCount_ = 0;
    port_.setProgressRange(layout::kProgressTop);
    // The bar starts empty, whatever an interrupted run left in it.
    port_.setProgressPosition(0);
    port_.setVisible(progressBar_, true);
}

void MainWindow::advanceProgress(int percentage) {
    if (percentage <= progressCount_) return;
    progressCount_ = percentage;
    // One step per percent; the bar holds 0..99, and a step past its top keeps it full rather
    // than starting again from empty.
    port_.setProgressPosition(std::min(progressCount_, layout::kProgressTop));
}

void MainWindow::hideProgress() { port_.setVisible(progressBar_, false); }

bool MainWindow::chooseFirmwareFile(std::string& path) {
    return port_.runFileDialog(layout::kFirmwareDialog, path);
}

bool MainWindow::chooseLoadPresetsFile(std::string& path) {
    return port_.runFileDialog(layout::kLoadPresetsDialog, path);
}

bool MainWindow::chooseSavePresetsFile(std::string& path) {
    return port_.runFileDialog(layout::kSavePresetsDialog, path);
}

bool MainWindow::chooseWavetablesFile(std::string& path) {
    return port_.runFileDialog(layout::kWavetablesDialog, path);
}

}  // namespace zt
