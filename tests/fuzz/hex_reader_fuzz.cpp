// Arbitrary bytes as a firmware file: the reader stays inside the image, keeps its result and count
// consistent, and reads the same however the bytes are split (the first byte picks the pieces).
#include <cstdlib>
#include <cstring>

#include "firmware/hex_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zt::FirmwareImage whole;
    static zt::FirmwareImage split;
    const auto check = [](bool holds) { if (!holds) std::abort(); };
    if (size == 0) return 0;
    const char* text = reinterpret_cast<const char*>(data + 1);
    zt::resetImage(whole);
    zt::MemorySource all(text, size - 1);
    const std::int32_t result = zt::readHexLines(whole, all);
    check(result == -2 || result == whole.byteCount);
    check(whole.written[zt::FirmwareImage::kSize - 1] == 0);
    zt::resetImage(split);
    zt::MemorySource pieces(text, size - 1, 1 + data[0] % 64);
    check(zt::readHexLines(split, pieces) == result && split.baseAddress == whole.baseAddress);
    check(std::memcmp(split.bytes.data(), whole.bytes.data(), whole.bytes.size()) == 0);
    check(std::memcmp(split.written.data(), whole.written.data(), whole.written.size()) == 0);
    return 0;
}
