// Reading the image back: ranges for the first-stage loader, the programmed length for KBOOT.
#include <algorithm>
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
    const auto last = std::find_if(image.written.rbegin(), image.written.rend(),
                                   [](std::uint8_t flag) { return flag != 0; });
    return static_cast<std::int32_t>(image.written.rend() - last);
}

}  // namespace zt
