// TransferPacket: the 64-byte packet of the device channel, and also the record of presets and
// wavetables files (stored as sent or received, without the HID report id).
//
//   offset  size  field
//   0       2     type (16-bit little-endian, as every multi-byte field)
//   2       62    body, laid out by type:
//                   ReadRequest      2-3 section selector, 4-5 slot index, 6-63 zero
//                   SectionRecord    4-5 section selector (0..3); the rest is the device's
//                   setPcConnection  2-3 value (1 enter, 0 leave), 4-63 zero
//                   acknowledgement  2-3 status (0 refused, anything else accepted)
//
// Section selector: bit 0 the bank (A = 0, B = 1), bit 1 the section (first = 0, second = 1).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace zt {

inline constexpr std::size_t kPacketSize = 64;

// Packet types.
inline constexpr std::uint16_t kDataRecord = 0x0001;
inline constexpr std::uint16_t kEndRecord = 0x0002;       // last record of an answer; acknowledged
inline constexpr std::uint16_t kReadRequest = 0x0003;
inline constexpr std::uint16_t kSectionRecord = 0x0004;
inline constexpr std::uint16_t kOpaqueAcknowledged = 0x0006;  // content the device's; acknowledged
inline constexpr std::uint16_t kSetPcConnection = 0x0021;     // acknowledged

struct TransferPacket {
    std::array<std::uint8_t, kPacketSize> bytes{};

    std::uint16_t field(std::size_t offset) const {
        return static_cast<std::uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
    }
    void setField(std::size_t offset, std::uint16_t value) {
        bytes[offset] = static_cast<std::uint8_t>(value & 0xFF);
        bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    }
    std::uint16_t type() const { return field(0); }

    static TransferPacket readRequest(std::uint16_t selector, std::uint16_t slot) {
        TransferPacket p;
        p.setField(0, kReadRequest);
        p.setField(2, selector);
        p.setField(4, slot);
        return p;
    }
    static TransferPacket pcConnection(bool on) {
        TransferPacket p;
        p.setField(0, kSetPcConnection);
        p.setField(2, on ? 1 : 0);
        return p;
    }
};

static_assert(sizeof(TransferPacket) == kPacketSize);

}  // namespace zt
