// What a kind that is attached but cannot be opened means on this platform, in the words the user
// sees. On Linux the hidraw node belongs to someone else (no udev rules, or no seat: a login over
// SSH); on Windows another program holds the device. One file per platform.
// No state; any thread.
#pragma once

namespace zt {

// The status-bar line of "Find Devices" when nothing could be opened but something is there.
// Short enough for the status bar's message part.
const char* closedDeviceStatus();
// The state of such a kind in a device listing, with what to do about it.
const char* closedDeviceHint();

}  // namespace zt
