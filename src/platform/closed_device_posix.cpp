#include "platform/closed_device.h"

namespace zt {

const char* closedDeviceStatus() { return "Device found, no permission: see README"; }

const char* closedDeviceHint() {
    return "no permission: install the udev rules (zentari help udev)";
}

}  // namespace zt
