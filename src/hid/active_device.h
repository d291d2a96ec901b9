// activeDevice: the one open HID device handle, shared in turn by every device conversation
// (presence checks, bootloader probe and flashing, first-stage loader, device channel). Each
// conversation opens it, uses it and closes it before it returns. Worker thread only.
#pragma once

#include <cstdint>

#include <hidapi.h>

namespace zt {

class ActiveDevice {
public:
    ActiveDevice() = default;
    ActiveDevice(const ActiveDevice&) = delete;
    ActiveDevice& operator=(const ActiveDevice&) = delete;

    // Opens the first HID device with the two ids (any serial number). True when one was opened.
    // A handle still open is closed first.
    bool open(std::uint16_t vendorId, std::uint16_t productId);
    // Closes the handle; closing when nothing is open does nothing.
    void close();
    hid_device* handle() const { return handle_; }

private:
    hid_device* handle_ = nullptr;
};

}  // namespace zt
