#include "app/update_action.h"

#include <string>

#include "app/path_buffers.h"
#include "devices/device_registry.h"
#include "firmware/firmware_check.h"
#include "platform/sleep.h"
#include "ui/main_window.h"

namespace zt {

bool UpdateAction::waitForLoader() {
    // The counter counts only the pauses, not the probes: at most 15 probes, each failed one
    // (the last included) followed by a full second.
    for (int waited = 0; waited < kLoaderWaitMs; waited += kProbeIntervalMs) {
        if (registry_.bootloaderPresent()) return true;
        sleepMilliseconds(kProbeIntervalMs);
    }
    return false;
}

void UpdateAction::updateFirmware() {
    window_.showBusyProgress();
    window_.setStatus("Take SD card out and press reset button.");
    if (!waitForLoader()) {
        window_.setStatus("Update failed (timeout exceeded)");
        window_.hideProgress();
        return;
    }

    window_.setStatus("Select firmware file");
    if (!window_.chooseFirmwareFile(paths_.firmwarePath)) {
        window_.hideProgress();
        window_.setStatus("");
        return;
    }
    const std::string path = paths_.firmwarePath;
    if (!registry_.firmwareNameMatches(path)) {
        window_.setStatus("Invalid firmware file (1)");
        window_.hideProgress();
        return;
    }
    if (!checkFirmwareFile(path)) {
        window_.setStatus("Invalid firmware file (2)");
        window_.hideProgress();
        return;
    }

    window_.startProgress();
    window_.setStatus("Updating in progress...");
    const int code = registry_.installFirmware(path);
    if (code != 0) {
        // The bar stays where the update stopped: it shows how far the device got.
        window_.setStatus("Update failed (" + std::to_string(static_cast<unsigned>(code)) + ")");
        return;
    }
    window_.setStatus("Updated successfully");
    window_.hideProgress();
}

}  // namespace zt
