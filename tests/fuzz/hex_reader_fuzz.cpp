// Arbitrary bytes as a firmware file: the reader must stay inside the image whatever it is
// given, read the same however the bytes are split between reads, and keep its result, count
// and written flags consistent. The first input byte picks the read size of the split run.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "firmware/firmware_image.h"
#include "firmware/hex_stream.h"

namespace {

zt::FirmwareImage whole;
zt::FirmwareImage split;

class SplitSource final : public zt::ByteSource {
public:
    SplitSource(const char* data, std::size_t size, std::size_t piece)
        : data_(data), size_(size), piece_(piece) {}
    std::ptrdiff_t read(char* destination, std::size_t capacity) override {
        const std::size_t n = std::min({capacity, piece_, size_ - position_});
        if (n > 0) std::memcpy(destination, data_ + position_, n);
        position_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const char* data_;
    std::size_t size_;
    std::size_t piece_;
    std::size_t position_ = 0;
};

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::size_t piece = 1 + data[0] % 64;
    const char* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    zt::resetImage(whole);
    zt::MemorySource all(text, length);
    const std::int32_t result = zt::readHexLines(whole, all);
    check(result == -2 || (result >= 0 && result == whole.byteCount));

    // Nothing lands on the last byte, and a data record was counted for whatever was written.
    check(whole.written[zt::FirmwareImage::kSize - 1] == 0);
    const std::int32_t end = zt::imageEnd(whole);
    check(end >= 0 && end < zt::FirmwareImage::kSize);
    check(end == 0 || (whole.written[end - 1] == 1 && whole.byteCount > 0));

    zt::resetImage(split);
    SplitSource pieces(text, length, piece);
    check(zt::readHexLines(split, pieces) == result);
    check(split.byteCount == whole.byteCount && split.baseAddress == whole.baseAddress &&
          split.endReached == whole.endReached);
    check(std::memcmp(split.bytes.data(), whole.bytes.data(), whole.bytes.size()) == 0);
    check(std::memcmp(split.written.data(), whole.written.data(), whole.written.size()) == 0);

    // Ranges taken from the input itself, near the image's end and around zero included; the
    // destination is exactly as long as asked, so any stray write shows under the sanitizer.
    if (length >= 8) {
        std::int32_t offset = 0;
        std::int32_t count = 0;
        std::memcpy(&offset, text, 4);
        std::memcpy(&count, text + 4, 4);
        count = count % 4096;
        if (count > 0) {
            auto* destination = static_cast<std::uint8_t*>(std::malloc(count));
            for (std::int32_t at : {offset, offset % zt::FirmwareImage::kSize,
                                    zt::FirmwareImage::kSize - count, end - count / 2}) {
                zt::copyImageRange(whole, at, count, destination);
                for (std::int32_t i = 0; i < count; ++i) {
                    const std::int64_t address = std::int64_t{at} + i;
                    const bool inside = at >= 0 && std::int64_t{at} + count < zt::FirmwareImage::kSize;
                    const std::uint8_t expected =
                        inside && whole.written[address] ? whole.bytes[address] : 0xFF;
                    check(destination[i] == expected);
                }
            }
            std::free(destination);
        } else {
            zt::copyImageRange(whole, offset, count, nullptr);
        }
    }
    return 0;
}
