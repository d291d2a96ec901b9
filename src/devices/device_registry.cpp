#include "devices/device_registry.h"

#include <hidapi.h>

#include <algorithm>

#include "devices/progress_sink.h"

namespace zt {

namespace {

// The vendor and product ids of every device hid_enumerate lists, whether or not it can be opened.
std::vector<DeviceRegistry::Ids> listedIds() {
    std::vector<DeviceRegistry::Ids> ids;
    hid_device_info* devices = hid_enumerate(0, 0);
    for (const hid_device_info* d = devices; d != nullptr; d = d->next) {
        ids.emplace_back(d->vendor_id, d->product_id);
    }
    hid_free_enumeration(devices);
    return ids;
}

}  // namespace

bool DeviceRegistry::isDevicePresent(std::uint16_t vendorId, std::uint16_t productId) {
    // No serial number: the first device with the two ids, whatever its serial, is the one.
    hid_device* device = hid_open(vendorId, productId, nullptr);
    const bool present = device != nullptr;
    hid_close(device);
    return present;
}

bool DeviceRegistry::look(unsigned index, std::uint16_t vendorId, std::uint16_t productId,
                          std::optional<std::vector<Ids>>& listed) {
    if (isDevicePresent(vendorId, productId)) return true;
    // Listing the system's devices costs as much as an open, so a search lists them once, and
    // only after an open has failed.
    if (!listed) listed = listedIds();
    if (std::ranges::find(*listed, Ids{vendorId, productId}) != listed->end()) {
        closed_[index] = 1;
    }
    return false;
}

bool DeviceRegistry::enumerate() {
    for (unsigned i = 0; i < rowCount(); ++i) {
        rows_[i]->found = 0;
        closed_[i] = 0;
    }
    std::optional<std::vector<Ids>> listed;  // read by the first look that fails
    bool any = false;
    for (unsigned i = 0; i < rowCount(); ++i) {
        DeviceKind* row = rows_[i];
        if (look(i, static_cast<std::uint16_t>(row->vendorId),
                 static_cast<std::uint16_t>(row->productId), listed)) {
            row->found = 1;
            any = true;
        }
        // A device waiting in the first-stage loader cannot say which kind it belongs to, so it
        // marks every kind that has such a loader.
        const bool firstStage = (row->flags & CAP_FIRST_STAGE) != 0;
        if (firstStage && look(i, firstStageVendorId, firstStageProductId, listed)) {
            row->found = 1;
            any = true;
        }
        // A kind that answered one way is open to the user, whatever its other guise said.
        if (row->found == 1) closed_[i] = 0;
    }
    return any;
}

std::int32_t DeviceRegistry::isFound(unsigned index) const {
    return index < rowCount() ? rows_[index]->found : 0;
}

std::int32_t DeviceRegistry::isClosed(unsigned index) const {
    return index < rowCount() ? closed_[index] : 0;
}

bool DeviceRegistry::anyClosed() const {
    for (std::int32_t closed : closed_) {
        if (closed == 1) return true;
    }
    return false;
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
