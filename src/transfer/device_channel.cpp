#include "transfer/device_channel.h"

#include <cstring>

#include "hid/active_device.h"
#include "hid/hid_write_timeout.h"

namespace zt {

bool DeviceChannel::open(std::uint16_t vendorId, std::uint16_t productId) {
    return device_.open(vendorId, productId);
}

void DeviceChannel::close() { device_.close(); }

bool DeviceChannel::writePacket(const std::uint8_t* bytes, std::size_t length) {
    if (length > kPacketSize || device_.handle() == nullptr) return false;
    unsigned char report[kPacketSize + 1] = {};  // report id 0, then the packet
    if (length > 0) std::memcpy(report + 1, bytes, length);
    return hid_write_timeout(device_.handle(), report, length + 1, kTimeoutMs) >= 0;
}

int DeviceChannel::readPacket(std::uint8_t* buffer, std::size_t length) {
    if (device_.handle() == nullptr) return -1;
    return hid_read_timeout(device_.handle(), buffer, length, kTimeoutMs);
}

bool DeviceChannel::expectsAcknowledgement(std::uint16_t type) {
    return type == kEndRecord || type == kOpaqueAcknowledged || type == kSetPcConnection;
}

bool DeviceChannel::acknowledged() {
    TransferPacket answer;
    const int read = readPacket(answer.bytes.data(), answer.bytes.size());
    // Only the status counts, and any non-zero value is an acceptance (0x8000 included).
    return read > 0 && answer.field(2) != 0;
}

bool DeviceChannel::sendPacket(const TransferPacket& packet) {
    if (!writePacket(packet.bytes.data(), packet.bytes.size())) return false;
    if (!expectsAcknowledgement(packet.type())) return true;
    return acknowledged();
}

bool DeviceChannel::setPcConnection(bool on) {
    return sendPacket(TransferPacket::pcConnection(on));
}

}  // namespace zt
