#include "devices/device_registry.h"

#include <hidapi.h>

#include "devices/progress_sink.h"

namespace zt {

bool DeviceRegistry::isDevicePresent(std::uint16_t vendorId, std::uint16_t productId) {
    // No serial number: the first device with the two ids, whatever its serial, is the one.
    hid_device* device = hid_open(vendorId, productId, nullptr);
    const bool present = device != nullptr;
    hid_close(device);
    return present;
}

bool DeviceRegistry::enumerate() {
    for (DeviceKind* row : rows_) row->found = 0;
    bool any = false;
    for (DeviceKind* row : rows_) {
        if (isDevicePresent(static_cast<std::uint16_t>(row->vendorId),
                            static_cast<std::uint16_t>(row->productId))) {
            row->found = 1;
            any = true;
        }
        // A device waiting in the first-stage loader cannot say which kind it belongs to, so it
        // marks every kind that has such a loader.
        if ((row->flags & CAP_FIRST_STAGE) &&
            isDevicePresent(firstStageVendorId, firstStageProductId)) {
            row->found = 1;
            any = true;
        }
    }
    return any;
}

std::int32_t DeviceRegistry::isFound(unsigned index) const {
    return index < rowCount() ? rows_[index]->found : 0;
}

void DeviceRegistry::select(unsigned index) {
    if (index < rowCount()) selected_ = index;
}

const DeviceKind* DeviceRegistry::selectedRow() const {
    return selected_ < rowCount() ? rows_[selected_] : nullptr;
}

bool DeviceRegistry::canUpdate() const {
    const DeviceKind* row = selectedRow();
    return row && (row->flags & (CAP_FIRST_STAGE | CAP_BOOTLOADER)) != 0;
}

bool DeviceRegistry::hasCapability(int bit) const {
    const DeviceKind* row = selectedRow();
    return row && bit >= 0 && bit < 8 && ((row->flags >> bit) & 1u) != 0;
}

bool DeviceRegistry::firmwareNameMatches(const std::string& path) const {
    const DeviceKind* row = selectedRow();
    if (!row) return false;
    // Both separators end a folder name: a folder named after the kind must not make a file
    // match, on Windows (backslash) as on Linux and macOS (slash).
    const std::size_t cut = path.find_last_of("\\/");
    std::string name = cut == std::string::npos ? path : path.substr(cut + 1);
    for (char& c : name) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return name.find(row->fileKey) != std::string::npos;
}

std::uint16_t DeviceRegistry::selectedVendorId() const {
    const DeviceKind* row = selectedRow();
    return row ? static_cast<std::uint16_t>(row->vendorId) : 0;
}

std::uint16_t DeviceRegistry::selectedProductId() const {
    const DeviceKind* row = selectedRow();
    return row ? static_cast<std::uint16_t>(row->productId) : 0;
}

void DeviceRegistry::reportProgress(int percentage) {
    if (progress_) progress_->advanceProgress(percentage);
}

}  // namespace zt
