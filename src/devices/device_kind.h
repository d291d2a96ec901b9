// One row of the device catalogue: a kind of device, its USB identity, what it can do and the
// sizes its first-stage loader path needs.
#pragma once

#include <cstdint>

namespace zt {

class DeviceRegistry;

// Capability bits of DeviceKind::flags. Bits 4 to 7 are never set.
inline constexpr std::uint8_t CAP_FIRST_STAGE = 1;  // also updatable through the HalfKay loader
inline constexpr std::uint8_t CAP_BOOTLOADER = 2;   // updatable through the KBOOT bootloader
inline constexpr std::uint8_t CAP_PRESETS = 4;      // one preset bank of 256 slots
inline constexpr std::uint8_t CAP_BANKS = 8;        // banks A and B of 64 slots, and wavetables

// Bit numbers, as hasCapability takes them.
inline constexpr int CAP_BIT_PRESETS = 2;
inline constexpr int CAP_BIT_BANKS = 3;

struct DeviceKind {
    // Builds the row with found = 0 and appends it to the registry, which keeps a reference:
    // a row must outlive the registry's use of it and must not move.
    DeviceKind(DeviceRegistry& registry, const char* name, std::int32_t bitmapId,
               std::uint32_t vendorId, std::uint32_t productId, std::uint8_t flags,
               std::int32_t codeSize, std::int32_t auxSize, std::int32_t blockSize,
               const char* fileKey);
    DeviceKind(const DeviceKind&) = delete;
    DeviceKind& operator=(const DeviceKind&) = delete;

    const char* name;         // display name: the device button's accessible name and tooltip
    std::int32_t bitmapId;    // picture resource of the kind's device button
    std::uint32_t vendorId;   // low 16 bits used; same in normal mode and in the KBOOT loader
    std::uint32_t productId;  // low 16 bits used
    std::uint8_t flags;       // CAP_* bits
    std::int32_t codeSize;    // bytes the first-stage loader path writes
    std::int32_t auxSize;     // carried, read by nothing
    std::int32_t blockSize;   // bytes per first-stage block
    const char* fileKey;      // lower-case word a firmware file name for this kind must contain
    std::int32_t found = 0;   // 1 when the last search found the kind
};

}  // namespace zt
