#include "hid/bootloader_packets.h"

#include <algorithm>

#include "hid/hid_write_timeout.h"

namespace zt {

namespace {

constexpr std::uint8_t kCommandOut = 1;
constexpr std::uint8_t kDataOut = 2;
constexpr std::uint8_t kCommandIn = 3;
constexpr std::uint8_t kDataIn = 4;
constexpr std::size_t kHeaderSize = 4;
constexpr std::uint8_t kGenericResponse = 0xA0;

void storeLe32(std::uint8_t* bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

int BootloaderPackets::writeReport(const std::uint8_t* payload, std::size_t length, Phase phase) {
    length = std::min(length, kMaxPayload);
    report_.fill(0);
    report_[0] = phase == Phase::Command ? kCommandOut : kDataOut;
    report_[2] = static_cast<std::uint8_t>(length);  // byte 3, the high byte, stays 0: length <= 32
    std::copy_n(payload, length, report_.data() + kHeaderSize);  // null when length is 0
    readCounter_ = 0;
    return hid_write_timeout(device_.handle(), report_.data(), report_.size(), kWriteTimeoutMs);
}

std::optional<ResponseView> BootloaderPackets::readResponse(int timeoutMs, Phase phase) {
    const std::uint8_t expectedId = phase == Phase::Command ? kCommandIn : kDataIn;
    int skipped = 0;
    bool first = true;
    for (;;) {
        const int got =
            hid_read_timeout(device_.handle(), report_.data(), report_.size(), timeoutMs);
        if (got < static_cast<int>(kHeaderSize)) return std::nullopt;
        const std::size_t received = std::min(static_cast<std::size_t>(got), kReportSize);
        // Bytes the report did not carry must not be judged as an answer: what the buffer held
        // before (our own command, or firmware bytes of a data report) could pass for one.
        std::fill(report_.begin() + static_cast<std::ptrdiff_t>(received), report_.end(),
                  std::uint8_t{0});
        if (first) {
            ++readCounter_;
            first = false;
        }
        if (report_[0] != expectedId) return std::nullopt;
        const std::size_t length = report_[2] | static_cast<std::size_t>(report_[3]) << 8;
        if (length == 0) {
            // Some bootloaders send empty reports before the answer to a fresh command. The read
            // ends at the 50th, or at once on a read that follows another read; either way an
            // empty report carries no answer: judging it would judge whatever an earlier answer
            // left in the report, which can make a lost final response look like success.
            if (readCounter_ < 2 && ++skipped < kEmptyReportLimit) continue;
            return std::nullopt;
        }
        if (received - kHeaderSize < length) return std::nullopt;
        return ResponseView{report_.data() + kHeaderSize, length};
    }
}

std::optional<ResponseView> BootloaderPackets::sendCommand(std::uint8_t tag, std::uint8_t flags,
                                                           std::uint32_t first,
                                                           std::uint32_t second) {
    command_[0] = tag;
    command_[1] = flags;
    command_[2] = 0;
    command_[3] = 2;
    storeLe32(command_.data() + 4, first);
    storeLe32(command_.data() + 8, second);
    writeReport(command_.data(), command_.size(), Phase::Command);
    return readResponse(kCommandTimeoutMs, Phase::Command);
}

int checkResponse(const std::optional<ResponseView>& response, std::uint32_t tag) {
    if (!response) return 1;
    const std::uint8_t* p = response->payload;
    if (p[0] != kGenericResponse) return 2;
    if (loadLe32(p + 8) != tag) return 3;
    if (loadLe32(p + 4) != 0) return 4;
    return 0;
}

}  // namespace zt
