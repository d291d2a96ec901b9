// hid_write_timeout over hidapi's Linux (hidraw) and macOS backends.
//
// What these backends cannot give, and why it is harmless here:
// - The time-out: hid_write blocks until the kernel has taken the report (hidraw) or the report
//   was sent (IOKit); neither offers a write with a time-out or a way to cancel a write. The
//   kernel bounds the wait itself (USB transfers time out after a few seconds), so a write never
//   hangs for ever; it may wait longer than `milliseconds`.
// - Zero extension: hidapi 0.13 does not tell the output report length. Every caller of this
//   function already sends whole reports of its protocol's size, so nothing needs extending.
#include "hid/hid_write_timeout.h"

extern "C" int hid_write_timeout(hid_device* device, const unsigned char* data, std::size_t length,
                                 int /*milliseconds*/) {
    if (device == nullptr || data == nullptr || length == 0) return -1;
    const int written = hid_write(device, data, length);
    return written < 0 ? -1 : written;
}
