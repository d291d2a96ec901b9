// MainWindow: the one window, its controls and every operation the user actions call on it.
// The logic is written once here; a toolkit only implements the ControlsPort.
//
// Threads: create() runs on the GUI thread before the worker starts; every other operation is
// called by the worker. Control handles do not change after create(), so the GUI thread may read
// them (the window procedure compares senders against them).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "devices/progress_sink.h"
#include "ui/controls_port.h"
#include "ui/window_layout.h"

namespace zt {

class DeviceRegistry;

class MainWindow : public ProgressSink {
public:
    MainWindow(DeviceRegistry& registry, ControlsPort& port, std::string versionText);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the window, then its controls; false when the window, a command button or the
    // progress bar could not be created (the controls after the failing one are missing).
    bool create();

    ControlHandle commandButton(int slot) const { return commandButtons_[slot]; }
    ControlHandle deviceButton(unsigned row) const { return deviceButtons_.at(row); }
    const std::string& versionText() const { return versionText_; }

    void setStatus(const std::string& text);
    void showFoundDeviceButtons();
    void showSelectedDeviceButton();
    void hideDeviceButtons();
    void placeDeviceButton(unsigned row, bool show, int x, int y);
    void showUpdateButton();
    void hideUpdateButton();
    void showPresetButtons();
    void showBankButtons();
    void hideTransferButtons();

    void showBusyProgress();
    // A normal bar from 0 to 99, empty, with the step count reset.
    void startProgress();
    // Steps the bar forward until the step count reaches `percentage`; never back. A bar at its
    // top stays full.
    void advanceProgress(int percentage) override;
    void hideProgress();
    int progressCount() const { return progressCount_; }

    // The file dialogs: `path` is the proposed name and receives the chosen one on confirm.
    bool chooseFirmwareFile(std::string& path);
    bool chooseLoadPresetsFile(std::string& path);
    bool chooseSavePresetsFile(std::string& path);
    bool chooseWavetablesFile(std::string& path);

private:
    bool createControls();
    void setCaptionsAndShow(const std::array<const char*, 5>& captions);

    DeviceRegistry& registry_;
    ControlsPort& port_;
    std::array<ControlHandle, layout::kSlotCount> commandButtons_{};
    ControlHandle progressBar_ = 0;
    ControlHandle statusBar_ = 0;
    std::vector<ControlHandle> deviceButtons_;
    std::string versionText_;
    int progressCount_ = 0;
};

}  // namespace zt
