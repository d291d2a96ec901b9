#include "hid/active_device.h"

namespace zt {

bool ActiveDevice::open(std::uint16_t vendorId, std::uint16_t productId) {
    close();
    // A null serial number, not an empty one: hidapi compares an empty string like any other
    // serial number and would then miss a device that has one.
    handle_ = hid_open(vendorId, productId, nullptr);
    return handle_ != nullptr;
}

void ActiveDevice::close() {
    hid_close(handle_);
    handle_ = nullptr;
}

}  // namespace zt
