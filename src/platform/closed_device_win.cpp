#include "platform/closed_device.h"

namespace zt {

const char* closedDeviceStatus() { return "Device in use by another program"; }

const char* closedDeviceHint() { return "in use by another program: close it and try again"; }

}  // namespace zt
