// Reading the image back: ranges for the first-stage loader, the programmed length for KBOOT.
#include <cstring>

#include "firmware/firmware_image.h"

namespace zt {

void copyImageRange(const FirmwareImage& image, std::int32_t offset, std::int32_t length,
                    std::uint8_t* destination) {
    if (length <= 0) return;
    if (offset < 0 || std::int64_t{offset} + length >= FirmwareImage::kSize) {
        std::memset(destination, 0xFF, static_cast<std::size_t>(length));
        return;
    }
    const std::uint8_t* bytes = image.bytes.data() + offset;
    const std::uint8_t* written = image.written.data() + offset;
    for (std::int32_t i = 0; i < length; ++i) destination[i] = written[i] != 0 ? bytes[i] : 0xFF;
}

std::int32_t imageEnd(const FirmwareImage& image) {
    // Whole blocks from the top first: most images end far below it.
    static constexpr std::uint8_t kNoneWritten[4096] = {};
    static_assert(FirmwareImage::kSize % sizeof kNoneWritten == 0);
    const std::uint8_t* flags = image.written.data();
    std::int32_t end = FirmwareImage::kSize;
    while (end > 0 &&
           std::memcmp(flags + end - sizeof kNoneWritten, kNoneWritten, sizeof kNoneWritten) == 0)
        end -= sizeof kNoneWritten;
    while (end > 0 && flags[end - 1] == 0) --end;
    return end;
}

}  // namespace zt
