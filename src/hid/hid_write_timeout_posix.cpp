// hid_write_timeout over hidapi's Linux (hidraw) and macOS backends.
//
// What these backends cannot give (see hid_write_timeout.h), and why it is harmless here:
// - The time-out: hid_write blocks until the kernel has taken the report (hidraw) or the report
//   was sent (IOKit); neither offers a write with a time-out or a way to cancel a write. The
//   kernel bounds the wait itself (USB transfers time out after a few seconds), so a write never
//   hangs for ever; it may wait longer than `milliseconds`, and no caller relies on it not to.
// - Zero extension: hidapi 0.13 does not tell the output report length. Every caller of this
//   function already sends whole reports of its protocol's size, so nothing needs extending.
// hid_write already gives -1 on every failure; like hidapi's own calls this one takes an open
// device (never null).
#include "hid/hid_write_timeout.h"

extern "C" int hid_write_timeout(hid_device* device, const unsigned char* data, std::size_t length,
                                 int /*milliseconds*/) {
    return hid_write(device, data, length);
}
