// The Intel HEX reader's inner loop, apart from where its bytes come from, so that a file and a
// memory buffer are read by the same code (the fuzzer reads buffers; readHexFile reads files).
//
// Threads: worker only. Nothing here allocates; the image and the source belong to the caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "firmware/firmware_image.h"

namespace zt {

// Raw bytes for the reader, in order.
class ByteSource {
public:
    static constexpr std::ptrdiff_t kFailed = -1;

    // Copies up to `capacity` (> 0) bytes into `destination`. Gives how many were copied, 0 at the
    // end of the data, kFailed when the data cannot be read; once it gave 0 or kFailed it is not
    // asked again.
    virtual std::ptrdiff_t read(char* destination, std::size_t capacity) = 0;

protected:
    ~ByteSource() = default;
};

// A memory buffer as a source, handing out at most `piece` bytes per read (as a file may, so a
// line can be split anywhere). The buffer is borrowed and must outlive the source.
class MemorySource final : public ByteSource {
public:
    MemorySource(const void* data, std::size_t size, std::size_t piece = SIZE_MAX) noexcept
        : data_(static_cast<const char*>(data)), size_(size), piece_(piece) {}
    std::ptrdiff_t read(char* destination, std::size_t capacity) override;

private:
    const char* data_;
    std::size_t size_;
    std::size_t piece_;
    std::size_t position_ = 0;
};

// parseHexRecord on a line of `length` characters that need not be NUL-terminated: `length` is
// the line's length up to its first NUL, line feed included, and nothing beyond it is read.
bool parseHexLine(FirmwareImage& image, const char* line, std::size_t length);

// Eight characters, all hex digits, as the four bytes they spell (first pair in the lowest byte),
// their sum added to `sum`; false, and nothing changed, when any of them is not a hex digit (a
// field of one digit among them included). Reads exactly eight characters.
bool readFourBytes(const char* field, std::uint32_t& bytes, std::uint32_t& sum);

// The blank image every read starts from: all bytes 0xFF, nothing written, base and count 0.
void resetImage(FirmwareImage& image);

// Reads text lines from `source` into `image` (which is not reset here) the way a file read as
// text with a 1024-byte line buffer is read: a carriage return right before a line feed is
// dropped; a line is at most 1023 characters, its line feed included when it fits, and a longer
// line is handed on in pieces; a line whose first character is NUL is skipped; reading stops
// after the end-of-file record. Gives image.byteCount on success, -2 when a line is refused,
// -1 when the source fails.
std::int32_t readHexLines(FirmwareImage& image, ByteSource& source);

}  // namespace zt
