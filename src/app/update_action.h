// The "Update" action (action slot 1): waits for the selected device's loader, asks for a firmware
// file, checks it, installs it and shows the outcome in the status bar and the progress bar.
//
// Threads: the worker only. The wait sleeps through sleepMilliseconds, up to 15 seconds.
#pragma once

namespace zt {

class DeviceRegistry;
class MainWindow;
struct PathBuffers;

class UpdateAction {
public:
    static constexpr int kLoaderWaitMs = 15000;
    static constexpr int kProbeIntervalMs = 1000;

    // All three must outlive the action. `paths.firmwarePath` keeps the last confirmed file, which
    // the next dialog proposes.
    UpdateAction(DeviceRegistry& registry, MainWindow& window, PathBuffers& paths)
        : registry_(registry), window_(window), paths_(paths) {}

    void updateFirmware();

private:
    bool waitForLoader();

    DeviceRegistry& registry_;
    MainWindow& window_;
    PathBuffers& paths_;
};

}  // namespace zt
