// The registry's two loader questions, answered through the bootloader channel.
#include <string>

#include "devices/device_registry.h"
#include "hid/bootloader_channel.h"

namespace zt {

bool DeviceRegistry::bootloaderPresent() {
    const DeviceKind* row = selectedRow();
    if (!bootloader_ || !row) return false;
    std::string description;  // filled by the probe, wanted by no one here
    if ((row->flags & CAP_FIRST_STAGE) &&
        bootloader_->probeFirstStage(firstStageVendorId, firstStageProductId, description)) {
        return true;
    }
    return (row->flags & CAP_BOOTLOADER) &&
           bootloader_->probeBootloader(static_cast<std::uint16_t>(row->vendorId),
                                        static_cast<std::uint16_t>(row->productId), description);
}

int DeviceRegistry::installFirmware(const std::string& fileName) {
    const DeviceKind* row = selectedRow();
    if (!bootloader_ || !row) return 1;
    const bool firstStage = (row->flags & CAP_FIRST_STAGE) != 0;
    int first = 1;
    if (firstStage) {
        first = bootloader_->loadFirstStage(firstStageVendorId, firstStageProductId, fileName,
                                            row->codeSize, row->blockSize);
        // Done, or a file that suits neither path: nothing was sent, and the KBOOT path would
        // only send it.
        if (first != BootloaderChannel::kFirstStageFailed) return first;
    }
    const int second =
        bootloader_->flashFirmware(static_cast<std::uint16_t>(row->vendorId),
                                   static_cast<std::uint16_t>(row->productId), fileName);
    // Both paths failed: the hundreds say the first-stage path was tried first.
    if (second != 0 && first != 0 && firstStage) return first * 100 + second;
    return second;
}

}  // namespace zt
