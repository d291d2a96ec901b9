// The two actions that change the selection: "Find Devices" and a device button.
#include "app/action_dispatcher.h"
#include "devices/device_kind.h"
#include "devices/device_registry.h"
#include "platform/closed_device.h"
#include "ui/main_window.h"

namespace zt {

void ActionDispatcher::findDevices() {
    window_.hideUpdateButton();
    window_.hideProgress();
    window_.hideTransferButtons();
    window_.hideDeviceButtons();
    window_.setStatus("Searching for devices...");
    if (registry_.enumerate()) {
        window_.setStatus("Devices found, select one");
        selectionState_ = DevicesFound;
        window_.showFoundDeviceButtons();
    } else {
        // A device that is there but closed to this user would otherwise read as no device at
        // all, and the user would look for the fault in the cable.
        window_.setStatus(registry_.anyClosed() ? closedDeviceStatus() : "No devices found");
        selectionState_ = NoDevices;
    }
}

void ActionDispatcher::selectDevice(unsigned row) {
    if (selectionState_ != DevicesFound) return;
    if (registry_.isFound(row) != 1) return;
    registry_.select(row);
    window_.showSelectedDeviceButton();
    selectionState_ = DeviceSelected;
    window_.setStatus("Device selected");
    if (registry_.canUpdate()) window_.showUpdateButton();
    if (registry_.hasCapability(CAP_BIT_PRESETS)) window_.showPresetButtons();
    if (registry_.hasCapability(CAP_BIT_BANKS)) window_.showBankButtons();
}

}  // namespace zt
