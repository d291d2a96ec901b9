// The KBOOT packet layer over USB HID: report framing, the command packet, the response read with
// its empty-report rule, and the response check.
//
// Report, 36 bytes, the same layout both ways:
//
//   offset  size  field
//   0       1     report id: 1 command out, 2 data out, 3 command response in, 4 data in
//   1       1     pad, 0
//   2       2     payload length, little-endian, 0..32
//   4       32    payload; on output the bytes past the length are 0
//
// Command packet (the payload of a command report), 12 bytes:
//
//   0 tag | 1 flags (1 = a data phase follows) | 2 reserved 0 | 3 parameter count, always 2 |
//   4..7 first parameter LE | 8..11 second parameter LE
//
// Response packet (the payload of a command-response report):
//
//   0 response tag (0xA0 generic) | 1 flags | 2 reserved | 3 parameter count |
//   4..7 status LE (0 success) | 8..11 echoed command tag (generic) or property value
//
// Threads: one conversation at a time on the worker; not re-entrant. The device must already be
// open in the ActiveDevice given; whoever opened it closes it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "hid/active_device.h"

namespace zt {

enum class Phase { Command, Data };

// A received payload. `payload` points into the layer's report buffer and stays valid only until
// the next writeReport or readResponse; 12 bytes from it can always be read (the buffer is a whole
// report), whatever `length` says.
struct ResponseView {
    const std::uint8_t* payload;
    std::size_t length;
};

class BootloaderPackets {
public:
    static constexpr std::size_t kReportSize = 36;
    static constexpr std::size_t kMaxPayload = 32;
    static constexpr std::size_t kCommandSize = 12;
    static constexpr int kWriteTimeoutMs = 1000;
    static constexpr int kCommandTimeoutMs = 3000;
    // Empty reports skipped before an empty one is taken as the answer.
    static constexpr int kEmptyReportLimit = 50;

    explicit BootloaderPackets(ActiveDevice& device) : device_(device) {}
    BootloaderPackets(const BootloaderPackets&) = delete;
    BootloaderPackets& operator=(const BootloaderPackets&) = delete;

    // Sends one report of the phase with `length` (at most 32; more is cut to 32) payload bytes;
    // `payload` may be null when `length` is 0. Resets the read counter. Gives the bytes written,
    // or -1. Waits at most 1000 ms.
    int writeReport(const std::uint8_t* payload, std::size_t length, Phase phase);

    // Reads the answer of the phase (report id 3 for Command, 4 for Data), waiting up to
    // `timeoutMs` per report (a time-out is not retried). Empty reports (length 0) are skipped up
    // to 49 times on the first read after a write; the 50th, or any empty report on a later read,
    // ends the read with nothing, as do a time-out or failed read, a wrong report id and a length
    // field claiming more bytes than arrived. A view given out always has a length of 1 or more.
    std::optional<ResponseView> readResponse(int timeoutMs, Phase phase);

    // Sends a command with two parameters and reads its answer (3000 ms). The write's own result
    // is not examined: a lost write shows as a missing answer.
    std::optional<ResponseView> sendCommand(std::uint8_t tag, std::uint8_t flags,
                                            std::uint32_t first, std::uint32_t second);

    // Reads since the last write that received a report: 1 for the first response read after a
    // write, 2 or more for later ones.
    int readCounter() const { return readCounter_; }

private:
    ActiveDevice& device_;
    std::array<std::uint8_t, kReportSize> report_{};
    std::array<std::uint8_t, kCommandSize> command_{};
    int readCounter_ = 0;
};

// Judges an answer to the command `tag`: 0 success, 1 no answer, 2 not a generic response,
// 3 the answer names another command, 4 error status. Tested in that order.
int checkResponse(const std::optional<ResponseView>& response, std::uint32_t tag);

// Little-endian 32-bit word at `bytes`.
inline std::uint32_t loadLe32(const std::uint8_t* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
           static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}

}  // namespace zt
