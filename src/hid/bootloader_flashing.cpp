// The KBOOT flashing sequence: erase, one WriteMemory with its data phase, reset.
#include <algorithm>

#include "devices/device_registry.h"
#include "hid/bootloader_channel.h"

namespace zt {

namespace {

// Step bases added to a non-zero checkResponse verdict.
constexpr int kOpenFailed = 11;
constexpr int kFileUnreadable = 21;
constexpr int kEraseBase = 30;
constexpr int kWriteCommandBase = 40;
constexpr int kWriteFinalBase = 44;
constexpr int kResetBase = 50;

}  // namespace

int BootloaderChannel::flashFirmware(std::uint16_t vendorId, std::uint16_t productId,
                                     const std::string& fileName) {
    if (!device_.open(vendorId, productId)) {
        device_.close();
        return kOpenFailed;
    }
    int code = programImage(fileName);
    // After a failed erase or write the device stays in its bootloader, ready for another try.
    if (code == 0) code = resetDevice();
    device_.close();
    return code;
}

int BootloaderChannel::programImage(const std::string& fileName) {
    const std::uint8_t* bytes = nullptr;
    if (readHexFile(image_, fileName, &bytes) < 0 || bytes == nullptr) return kFileUnreadable;
    // The chip starts from address 0. Flashing a file that leaves it blank erases the vector table
    // and writes nothing in its place: the device would not start again (and a blank flash
    // configuration field can lock the chip for good).
    if (image_.written[0] == 0) return kNoStartCode;
    // Everything from address 0 to the last written byte, not the sum of the records' lengths:
    // that sum cuts short a file with gaps, and the cut-off code would be erased and never
    // written. The reader leaves unwritten bytes at 0xFF, the value of erased flash.
    const auto end = static_cast<std::uint32_t>(std::max(imageEnd(image_), std::int32_t{0}));
    const std::uint32_t eraseEnd = (end + kEraseUnit - 1) / kEraseUnit * kEraseUnit;
    if (const int code = eraseRegion(0, eraseEnd); code != 0) return code;
    return writeMemory(end, bytes);
}

int BootloaderChannel::eraseRegion(std::uint32_t start, std::uint32_t count) {
    const int r = checkResponse(packets_.sendCommand(kFlashEraseRegion, 0, start, count),
                                kFlashEraseRegion);
    return r == 0 ? 0 : kEraseBase + r;
}

int BootloaderChannel::writeMemory(std::uint32_t count, const std::uint8_t* data) {
    const int r = checkResponse(packets_.sendCommand(kWriteMemory, 1, 0, count), kWriteMemory);
    if (r != 0) return kWriteCommandBase + r;

    // The data phase streams without waiting for the device between reports; only the final
    // response tells whether everything arrived.
    std::uint32_t position = 0;
    while (position < count) {
        const std::size_t length =
            std::min<std::size_t>(count - position, BootloaderPackets::kMaxPayload);
        const bool aborted = packets_.writeReport(data + position, length, Phase::Data) == -1;
        position += static_cast<std::uint32_t>(length);
        registry_.reportProgress(
            static_cast<int>(static_cast<std::uint64_t>(position) * 100 / count));
        if (aborted) {
            // An empty data report tells the bootloader the phase is over, so it answers now.
            packets_.writeReport(nullptr, 0, Phase::Data);
            break;
        }
    }

    const int f = checkResponse(packets_.readResponse(kFinalResponseTimeoutMs, Phase::Command),
                                kWriteMemory);
    return f == 0 ? 0 : kWriteFinalBase + f;
}

int BootloaderChannel::resetDevice() {
    const int r = checkResponse(packets_.sendCommand(kReset, 0, 0, 0), kReset);
    return r == 0 ? 0 : kResetBase + r;
}

}  // namespace zt
