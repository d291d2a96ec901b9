// DeviceChannel: 64-byte packets to and from a device in normal operation (not in a loader), over
// the shared handle. Packets go out as 65-byte output reports (report id 0, then the packet) and
// come back as the 64 data bytes of one input report. Every write and read waits at most 1000 ms.
//
// The channel keeps no protocol state: the download and the upload decide the order of packets.
// Calling order: open, any packet operations, close. Worker thread only; no locks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "transfer/transfer_packet.h"

namespace zt {

class ActiveDevice;

class DeviceChannel {
public:
    static constexpr int kTimeoutMs = 1000;

    explicit DeviceChannel(ActiveDevice& device) : device_(device) {}
    DeviceChannel(const DeviceChannel&) = delete;
    DeviceChannel& operator=(const DeviceChannel&) = delete;

    // Opens the first HID device with the two ids as the shared handle. True when one was opened.
    bool open(std::uint16_t vendorId, std::uint16_t productId);
    // Closes the shared handle; harmless when nothing is open.
    void close();

    // Writes `length` bytes (at most 64) behind report id 0. A longer packet is refused (false)
    // and nothing is written; so is any packet while the channel is closed. True when the
    // transport reports no error. The caller keeps `bytes`.
    bool writePacket(const std::uint8_t* bytes, std::size_t length);
    // Reads one input report into `buffer` (at most `length` bytes). Gives the bytes read, 0 when
    // nothing arrived within 1000 ms, a negative value on a transport error or a closed channel.
    int readPacket(std::uint8_t* buffer, std::size_t length);
    // True for the types the device acknowledges: 0x0002, 0x0006, 0x0021.
    static bool expectsAcknowledgement(std::uint16_t type);
    // Reads one acknowledgement. True when it arrived with a non-zero status (bytes 2-3); a
    // time-out, a read error and status 0 are refusals.
    bool acknowledged();
    // Writes the packet and, for an acknowledged type, waits for the acknowledgement. True when
    // the write succeeded and, where one is due, the acknowledgement accepted it. Nothing is
    // resent.
    bool sendPacket(const TransferPacket& packet);
    // Sends the setPcConnection packet with value 1 (on) or 0 (off); as sendPacket.
    bool setPcConnection(bool on);

private:
    ActiveDevice& device_;
};

}  // namespace zt
