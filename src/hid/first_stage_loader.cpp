// The HalfKay first-stage path: the image in fixed-size blocks, each carrying its own address,
// then the boot report. The loader sends nothing back; a block counts as delivered when its write
// completes.
//
// Block report, report id first (block size 1024 gives 1089 bytes):
//
//   offset  size        field
//   0       1           report id 0
//   1       3           flash address bits 0-7, 8-15, 16-23
//   4       61          0
//   65      block size  image bytes from the address on, 0xFF where the file defines none
//
// Boot report: as long as the last block report, bytes 1..3 FF FF FF, everything else 0.
#include <algorithm>
#include <cstring>

#include "devices/device_registry.h"
#include "hid/bootloader_channel.h"
#include "hid/hid_write_timeout.h"
#include "platform/sleep.h"

namespace zt {

int BootloaderChannel::loadFirstStage(std::uint16_t vendorId, std::uint16_t productId,
                                      const std::string& fileName, std::int32_t codeSize,
                                      std::int32_t blockSize) {
    if (!device_.open(vendorId, productId)) {
        device_.close();
        return 1;
    }
    const int code = writeFirstStageImage(fileName, codeSize, blockSize);
    device_.close();
    return code;
}

int BootloaderChannel::writeFirstStageImage(const std::string& fileName, std::int32_t codeSize,
                                            std::int32_t blockSize) {
    // The reader's byte count is not needed: the blocks cover the code size whatever the file
    // holds.
    if (readHexFile(image_, fileName, nullptr) < 0) return kFirstStageFailed;
    // A block size of 0 would never advance; one past the largest report cannot be sent at all.
    if (blockSize <= 0 ||
        static_cast<std::size_t>(blockSize) > kMaxBlockData - kBlockHeaderSize) {
        return kFirstStageFailed;
    }
    // The blocks would blank the start-up code, or silently leave out what lies past the code
    // size while the update reports success.
    if (image_.written[0] == 0) return kNoStartCode;
    if (imageEnd(image_) > codeSize) return kPastCodeSize;
    const std::size_t length = kBlockHeaderSize + static_cast<std::size_t>(blockSize);
    // The block is built in place behind the report id, so writeBlock sends it without a copy.
    std::uint8_t* block = blockReport_.data() + 1;
    for (std::int64_t address = 0; address < codeSize; address += blockSize) {
        std::memset(block, 0, kBlockHeaderSize);
        block[0] = static_cast<std::uint8_t>(address);
        block[1] = static_cast<std::uint8_t>(address >> 8);
        block[2] = static_cast<std::uint8_t>(address >> 16);
        copyImageRange(image_, static_cast<std::int32_t>(address), blockSize,
                       block + kBlockHeaderSize);
        // The first block waits longer: the loader may still be settling after it enumerated.
        if (!writeBlock(block, length, address == 0 ? kFirstBlockTimeoutMs : kBlockTimeoutMs))
            return kFirstStageFailed;
        // Taken before the address advances, so the last block shows 99, not 100.
        registry_.reportProgress(static_cast<int>(address * 100 / codeSize));
    }
    sendBootReport(length);
    return 0;
}

bool BootloaderChannel::writeBlock(const std::uint8_t* bytes, std::size_t length, int timeoutMs) {
    if (length > kMaxBlockData) return false;
    blockReport_[0] = 0;
    if (bytes != blockReport_.data() + 1) std::memmove(blockReport_.data() + 1, bytes, length);
    // The budget counts attempts, one per 10 ms pause; each attempt may wait for what the pauses
    // have left of it. Time spent inside failed writes is not counted.
    const int attempts = timeoutMs / kRetryPauseMs;
    int tries = 0;
    do {
        if (hid_write_timeout(device_.handle(), blockReport_.data(), length + 1,
                              (attempts - tries) * kRetryPauseMs) > 0) {
            return true;
        }
        sleepMilliseconds(kRetryPauseMs);
        ++tries;
    } while (tries < attempts);
    return false;
}

void BootloaderChannel::sendBootReport(std::size_t length) {
    length = std::min(length, kMaxBlockData);
    std::uint8_t* boot = blockReport_.data() + 1;
    std::memset(boot, 0, length);
    std::memset(boot, 0xFF, 3);
    writeBlock(boot, length, kBlockTimeoutMs);
}

}  // namespace zt
