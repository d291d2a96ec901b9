// BootloaderChannel: every conversation with a device waiting in a loader. The probes that
// recognise a loader, the KBOOT flashing sequence (erase, one WriteMemory with a data phase,
// reset), and the HalfKay first-stage path (fixed-size blocks, then a boot report).
//
// Result codes: the operations that open a device give 0 for success or a positive code whose
// tens name the step and whose units name the verdict of checkResponse (1 no answer, 2 not a
// generic response, 3 answer to another command, 4 error status):
//   11 the KBOOT device cannot be opened   21 the firmware file cannot be read
//   31..34 FlashEraseRegion   41..44 WriteMemory command   45..48 WriteMemory final response
//   51..54 Reset
// and two refusals of a firmware file that does not suit the device, made before anything is
// erased or sent (units 5 and 6, which no verdict has):
//   25 the file defines no byte at address 0 (flashing it would blank the start-up code)
//   26 first-stage path: the file defines bytes at or past the kind's code size (they would be
//      cut off without a word)
// The first-stage path gives 0, 1 for any failure of its own (the KBOOT path may follow), or 25
// or 26 (final: the file suits neither path).
//
// Threads: the worker only, one operation at a time. Each operation that opens `device` closes it
// before it returns; the step operations (eraseRegion .. resetDevice, writeFirstStageImage ..
// sendBootReport) run on a device the caller has opened.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "firmware/firmware_image.h"
#include "hid/active_device.h"
#include "hid/bootloader_packets.h"

namespace zt {

class DeviceRegistry;

// The size as text: "256 KB", "1.500 KB", "1 MB", "1023 bytes" (binary units; three decimals
// when the size is not a whole number of the unit).
std::string formatByteSize(std::uint64_t size);

class BootloaderChannel {
public:
    // KBOOT command tags.
    static constexpr std::uint8_t kFlashEraseRegion = 2;
    static constexpr std::uint8_t kWriteMemory = 4;
    static constexpr std::uint8_t kGetProperty = 7;
    static constexpr std::uint8_t kReset = 11;
    // Properties asked for by the probe.
    static constexpr std::uint32_t kPropertyVersion = 1;
    static constexpr std::uint32_t kPropertyFlashStart = 3;
    static constexpr std::uint32_t kPropertyFlashSize = 4;
    static constexpr std::uint32_t kPropertySectorSize = 5;

    static constexpr int kFirstStageFailed = 1;
    static constexpr int kNoStartCode = 25;
    static constexpr int kPastCodeSize = 26;

    static constexpr std::uint32_t kEraseUnit = 4096;
    static constexpr int kFinalResponseTimeoutMs = 10000;

    // First-stage blocks: a 64-byte header (address bits 0-23, then zeros) before the block.
    static constexpr std::size_t kBlockHeaderSize = 64;
    static constexpr std::size_t kMaxBlockData = 1089;  // header + block, report id excluded
    static constexpr int kFirstBlockTimeoutMs = 5000;
    static constexpr int kBlockTimeoutMs = 500;
    static constexpr int kRetryPauseMs = 10;

    // `registry` receives the progress of flashing; `image` is filled from the firmware file.
    // All three must outlive the channel.
    BootloaderChannel(ActiveDevice& device, FirmwareImage& image, DeviceRegistry& registry);
    BootloaderChannel(const BootloaderChannel&) = delete;
    BootloaderChannel& operator=(const BootloaderChannel&) = delete;

    // --- Probe ---
    // True when a device with the ids can be opened (closed again at once). `description` is left
    // unchanged.
    bool probeFirstStage(std::uint16_t vendorId, std::uint16_t productId, std::string& description);
    // True when a device with the ids opens and answers GetProperty for the bootloader version,
    // flash size, flash start and sector size, in that order; the first missing answer ends the
    // probe. On success `description` becomes "<flash start text> ; <sector size text>".
    bool probeBootloader(std::uint16_t vendorId, std::uint16_t productId, std::string& description);
    // One GetProperty exchange on the open device. Any answer counts, whatever its tag and status.
    // True and the property's text for properties 1, 3, 4 and 5; false and "" otherwise.
    bool getPropertyText(std::uint32_t property, std::string& text);

    // --- KBOOT flashing ---
    // Opens the ids, programs the file's image, resets the device, closes it. 0 or a code.
    int flashFirmware(std::uint16_t vendorId, std::uint16_t productId, const std::string& fileName);
    // Reads the file and programs it from address 0 up to its highest written address + 1, gaps
    // as 0xFF, after erasing that range rounded up to whole erase units. 0, 21, 25, 31..34,
    // 41..48.
    int programImage(const std::string& fileName);
    // 0 or 31..34.
    int eraseRegion(std::uint32_t start, std::uint32_t count);
    // WriteMemory at address 0 of `count` bytes from `data`, 32 per data report, with progress
    // 0..100. A failed data report ends the data phase early with an empty one. 0 or 41..48.
    int writeMemory(std::uint32_t count, const std::uint8_t* data);
    // 0 or 51..54.
    int resetDevice();

    // --- HalfKay first stage ---
    // Opens the ids, writes the image in blocks and sends the boot report, closes. 0, 1, 25, 26.
    int loadFirstStage(std::uint16_t vendorId, std::uint16_t productId, const std::string& fileName,
                       std::int32_t codeSize, std::int32_t blockSize);
    // Reads the file, then sends every block from address 0 below `codeSize` (undefined bytes
    // 0xFF) with progress, then the boot report. 1 when the file cannot be read, the block size
    // cannot be sent (0 or less, or more than 1025), or a block is not taken in its budget; 25 or
    // 26 when the file does not suit the kind (nothing sent); else 0.
    int writeFirstStageImage(const std::string& fileName, std::int32_t codeSize,
                             std::int32_t blockSize);
    // Sends report id 0 followed by `length` bytes (at most 1089, else false without sending).
    // Retries every 10 ms while the budget of timeoutMs / 10 attempts lasts; each attempt may
    // wait for what is left of the budget, counted in pauses only. True when a write was taken.
    bool writeBlock(const std::uint8_t* bytes, std::size_t length, int timeoutMs);
    // Sends the boot report: `length` bytes (a block report's length, 64 + block size) after the
    // report id, FF FF FF and then zeros (500 ms). The outcome is not examined by anyone, so it is
    // not returned.
    void sendBootReport(std::size_t length);

    BootloaderPackets& packets() { return packets_; }

private:
    ActiveDevice& device_;
    FirmwareImage& image_;
    DeviceRegistry& registry_;
    BootloaderPackets packets_;
    // One block (header and data) and the report around it, report id first.
    std::array<std::uint8_t, kMaxBlockData + 1> blockReport_{};
};

}  // namespace zt
