// hid_write_timeout for the Windows test build. There the tool's own one comes with the patched
// hidapi backend, which the tests do not link, so the emulated world supplies it over hid_write:
// the emulators take or refuse a report at once, so there is no time-out to honour.
#include "hid/hid_write_timeout.h"

extern "C" int hid_write_timeout(hid_device* device, const unsigned char* data, std::size_t length,
                                 int /*milliseconds*/) {
    if (device == nullptr || data == nullptr || length == 0) return -1;
    const int written = hid_write(device, data, length);
    return written < 0 ? -1 : written;
}
