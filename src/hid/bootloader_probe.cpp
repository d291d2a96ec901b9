// Recognising a waiting loader: the first-stage presence test and the KBOOT get-property probe.
#include <cstdio>

#include "hid/bootloader_channel.h"

namespace zt {

BootloaderChannel::BootloaderChannel(ActiveDevice& device, FirmwareImage& image,
                                     DeviceRegistry& registry)
    : device_(device), image_(image), registry_(registry), packets_(device) {}

std::string formatByteSize(std::uint64_t size) {
    struct Unit {
        std::uint64_t bytes;
        const char* whole;
        const char* fraction;
    };
    static constexpr Unit units[] = {
        {1073741824u, "%.f GB", "%.3f GB"},
        {1048576u, "%.f MB", "%.3f MB"},
        {1024u, "%.f KB", "%.3f KB"},
    };
    char text[32];
    const double d = static_cast<double>(size);
    for (const Unit& unit : units) {
        const double scaled = d / static_cast<double>(unit.bytes);
        if (scaled >= 1) {
            std::snprintf(text, sizeof text, size % unit.bytes != 0 ? unit.fraction : unit.whole,
                          scaled);
            return text;
        }
    }
    std::snprintf(text, sizeof text, "%d bytes", static_cast<int>(static_cast<std::int32_t>(size)));
    return text;
}

bool BootloaderChannel::probeFirstStage(std::uint16_t vendorId, std::uint16_t productId,
                                        std::string& /*description*/) {
    const bool present = device_.open(vendorId, productId);
    device_.close();
    return present;
}

bool BootloaderChannel::probeBootloader(std::uint16_t vendorId, std::uint16_t productId,
                                        std::string& description) {
    if (!device_.open(vendorId, productId)) {
        device_.close();
        return false;
    }
    std::string version, flashSize, flashStart, sectorSize;
    const bool answered = getPropertyText(kPropertyVersion, version) &&
                          getPropertyText(kPropertyFlashSize, flashSize) &&
                          getPropertyText(kPropertyFlashStart, flashStart) &&
                          getPropertyText(kPropertySectorSize, sectorSize);
    if (answered) description = flashStart + " ; " + sectorSize;
    device_.close();
    return answered;
}

bool BootloaderChannel::getPropertyText(std::uint32_t property, std::string& text) {
    text.clear();
    const auto response = packets_.sendCommand(kGetProperty, 0, property, 0);
    if (!response) return false;
    const std::uint32_t value = loadLe32(response->payload + 8);
    char buffer[50];
    switch (property) {
        case kPropertyVersion:
            // The misspelt "Bootlader" is part of the text as it has always read; keep it.
            std::snprintf(buffer, sizeof buffer, "Bootlader Version = %c%d.%d.%d",
                          static_cast<char>(value >> 24), static_cast<int>((value >> 16) & 0xFF),
                          static_cast<int>((value >> 8) & 0xFF), static_cast<int>(value & 0xFF));
            break;
        case kPropertyFlashStart:
            std::snprintf(buffer, sizeof buffer, "Flash Start Address = 0x%08X", value);
            break;
        case kPropertyFlashSize:
            std::snprintf(buffer, sizeof buffer, "Flash Size = %s", formatByteSize(value).c_str());
            break;
        case kPropertySectorSize:
            std::snprintf(buffer, sizeof buffer, "Flash Sector Size = %s",
                          formatByteSize(value).c_str());
            break;
        default:
            return false;
    }
    text = buffer;
    return true;
}

}  // namespace zt
