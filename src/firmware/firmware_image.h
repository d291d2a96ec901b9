// FirmwareImage: the in-memory image of a firmware file, indexed by device address, and the Intel
// HEX reader that fills it.
//
// Threads: worker only; one read at a time per image. Nothing here allocates while reading.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace zt {

struct FirmwareImage {
    static constexpr std::int32_t kSize = 0x100000;  // addresses 0 .. 0xFFFFF

    std::array<std::uint8_t, kSize> bytes{};    // contents; index = address
    std::array<std::uint8_t, kSize> written{};  // 1 where a data record stored a byte
    std::uint32_t baseAddress = 0;              // from the last valid type 02 / 04 record
    std::int32_t byteCount = 0;                 // sum of all data records' lengths
    std::uint32_t endReached = 0;               // the end-of-file record was read
};

// Reads an Intel HEX file into the image (reset first, even when the file cannot be opened).
// Gives byteCount (>= 0) on success and sets *bytesOut to image.bytes.data(); -1 when the file
// cannot be opened, -2 when a line is refused. *bytesOut is set on success only. `bytesOut` may
// be null.
std::int32_t readHexFile(FirmwareImage& image, const std::string& path,
                         const std::uint8_t** bytesOut);

// Parses one line as read (its line feed included, NUL-terminated) into the image. True when the
// line is accepted (stored, applied or skipped), false when the file is malformed.
bool parseHexRecord(FirmwareImage& image, const char* line);

// Fills `length` bytes of `destination` from the image: the written bytes as they are, every other
// byte 0xFF. A negative offset, or a range reaching 0x100000 or beyond, reads as 0xFF throughout;
// a negative length writes nothing.
void copyImageRange(const FirmwareImage& image, std::int32_t offset, std::int32_t length,
                    std::uint8_t* destination);

// The highest written address + 1 (0 for an image with nothing written): how many bytes, from
// address 0, the KBOOT path programs so that a file with gaps is never cut short.
std::int32_t imageEnd(const FirmwareImage& image);

}  // namespace zt
