// One Intel HEX record into the image.
//
// Record layout, by character position:
//   0      ':'
//   1-2    count LL (data bytes)
//   3-6    address AAAA (added to the image's base address)
//   7-8    type TT: 00 data, 01 end of file, 02 extended segment address, 04 extended linear
//          address; any other type is accepted and ignored
//   9...   the data, two characters a byte
//   9+2LL  checksum: the low byte of the sum of every byte from LL on, checksum included, is 0
//
// A field is read at its fixed position as up to its width of hex digits, either case, and is
// unreadable when its first character is not a hex digit; the next field starts at its own fixed
// position however many digits were read. The line length checks below keep every position a
// field can occupy inside the line, so nothing past the line is ever read.
#include <array>
#include <bit>
#include <climits>
#include <cstring>

#include "firmware/hex_stream.h"

namespace zt {

namespace {

constexpr std::uint8_t kNotHex = 0xFF;

constexpr std::array<std::uint8_t, 256> makeHexTable() {
    std::array<std::uint8_t, 256> table{};
    for (auto& entry : table) entry = kNotHex;
    for (int c = '0'; c <= '9'; ++c) table[c] = static_cast<std::uint8_t>(c - '0');
    for (int c = 'a'; c <= 'f'; ++c) table[c] = static_cast<std::uint8_t>(c - 'a' + 10);
    for (int c = 'A'; c <= 'F'; ++c) table[c] = static_cast<std::uint8_t>(c - 'A' + 10);
    return table;
}

constexpr std::array<std::uint8_t, 256> kHexValue = makeHexTable();

inline std::uint8_t hexValue(char c) { return kHexValue[static_cast<unsigned char>(c)]; }

// Reads up to `width` hex digits at `field`; false when the first one is not a hex digit.
inline bool readField(const char* field, int width, std::uint32_t& value) {
    std::uint8_t digit = hexValue(field[0]);
    if (digit == kNotHex) return false;
    std::uint32_t v = digit;
    for (int i = 1; i < width; ++i) {
        digit = hexValue(field[i]);
        if (digit == kNotHex) break;
        v = v * 16 + digit;
    }
    value = v;
    return true;
}

// The two-digit field, the one every data byte uses, without the loop.
inline bool readByte(const char* field, std::uint32_t& value) {
    const std::uint8_t high = hexValue(field[0]);
    if (high == kNotHex) return false;
    const std::uint8_t low = hexValue(field[1]);
    value = low == kNotHex ? high : high * 16u + low;
    return true;
}

constexpr std::size_t kMinimumLine = 11;  // ':' LL AAAA TT CC, or those and a line feed
constexpr std::uint64_t kImageLimit = FirmwareImage::kSize;

enum RecordType : std::uint32_t {
    kData = 0x00,
    kEndOfFile = 0x01,
    kSegmentAddress = 0x02,
    kLinearAddress = 0x04,
};

// Type 02 or 04 with two data bytes: the new base when value and checksum are readable and the
// checksum matches, else nothing (the record is skipped and the old base stays).
void applyBaseRecord(FirmwareImage& image, const char* line, std::uint32_t sum,
                     std::uint32_t shift) {
    std::uint32_t value = 0;
    std::uint32_t checksum = 0;
    if (!readField(line + 9, 4, value)) return;
    sum += (value >> 8) + (value & 0xFF);
    if (!readByte(line + 13, checksum)) return;
    if (((sum + checksum) & 0xFF) != 0) return;
    image.baseAddress = value << shift;
}

}  // namespace

// The common case of a data record, four bytes in one go. Why it holds, lane by lane (one character per byte of x):
// - low7 + (0x80 - c) has bit 7 set exactly when the character's low seven bits are >= c, and
//   never carries into the next lane (at most 0x7F + 0x80 = 0xFF).
// - A digit is >= '0' and not >= '9' + 1, or, with bit 5 forced on (upper case folded onto lower
//   case; no other character folds into 'a'..'f'), >= 'a' and not >= 'f' + 1; and its own bit 7
//   is clear (~x), so 0xB0 is no '0'.
// - Value: the low nibble, plus 9 for letters (bit 6 set): 'A' is 0x41, 1 + 9 = 10.
// A refusal here only costs speed (the byte loop takes over), so the reader's results cannot show
// an edge off by one; the tests compare it with the one-character table for every byte value in
// every lane instead.
bool readFourBytes(const char* field, std::uint32_t& bytes, std::uint32_t& sum) {
    static_assert(std::endian::native == std::endian::little);
    constexpr std::uint64_t kEach = 0x0101010101010101;
    std::uint64_t x = 0;
    std::memcpy(&x, field, sizeof x);
    const std::uint64_t high = kEach * 0x80;
    const std::uint64_t low7 = x & ~high;
    const std::uint64_t atLeast0 = low7 + kEach * (0x80 - '0');
    const std::uint64_t past9 = low7 + kEach * (0x80 - '9' - 1);
    const std::uint64_t lower = low7 | kEach * 0x20;
    const std::uint64_t atLeastA = lower + kEach * (0x80 - 'a');
    const std::uint64_t pastF = lower + kEach * (0x80 - 'f' - 1);
    const std::uint64_t digit = (atLeast0 & ~past9) | (atLeastA & ~pastF);
    if ((digit & ~x & high) != high) return false;
    // '0'-'9' have bit 6 clear; 'A'-'F' and 'a'-'f' have it set and their low nibble is 1-6.
    const std::uint64_t nibbles = (x & kEach * 0x0F) + ((x >> 6) & kEach) * 9;
    constexpr std::uint64_t kLanes = 0x000F000F000F000F;
    std::uint64_t pairs = ((nibbles & kLanes) << 4) | ((nibbles >> 8) & kLanes);
    sum += static_cast<std::uint32_t>((pairs * 0x0001000100010001) >> 48);
    pairs = (pairs | (pairs >> 8)) & 0x0000FFFF0000FFFF;
    bytes = static_cast<std::uint32_t>(pairs | (pairs >> 16));
    return true;
}

bool parseHexRecord(FirmwareImage& image, const char* line) {
    return parseHexLine(image, line, std::strlen(line));
}

bool parseHexLine(FirmwareImage& image, const char* line, std::size_t length) {
    // The length first, so that line[0] exists; a line too short and one without ':' are refused
    // alike, so the order of the two tests is not seen from outside.
    if (length < kMinimumLine || line[0] != ':') return false;

    std::uint32_t count = 0;
    if (!readByte(line + 1, count)) return false;
    if (length < 2 * count + kMinimumLine) return false;

    std::uint32_t address = 0;
    std::uint32_t type = 0;
    if (!readField(line + 3, 4, address)) return false;
    if (!readByte(line + 7, type)) return false;

    // Every record type is held to the range, with the base in force before it, and the sum is
    // taken wide so that a large base cannot wrap around into the image.
    const std::uint64_t start = std::uint64_t{address} + image.baseAddress;
    if (start + count >= kImageLimit) return false;

    std::uint32_t sum = count + (address >> 8) + (address & 0xFF) + type;

    switch (type) {
    case kData: {
        // A file cannot hold more than 2 GiB of data for a 1 MiB image; refusing it keeps the
        // running count from overflowing.
        if (image.byteCount > INT32_MAX - static_cast<std::int32_t>(count)) return false;
        image.byteCount += static_cast<std::int32_t>(count);
        std::uint8_t* bytes = image.bytes.data() + start;
        std::uint8_t* written = image.written.data() + start;
        const char* field = line + 9;
        std::uint32_t i = 0;
        // Four bytes at a time (inside the line by the length check above); a group holding
        // anything but hex digits is left to the byte loop, which knows one-digit fields.
        constexpr std::uint32_t kFourFlags = 0x01010101;
        for (std::uint32_t four = 0; i + 4 <= count; i += 4, field += 8) {
            if (!readFourBytes(field, four, sum)) break;
            std::memcpy(bytes + i, &four, 4);
            std::memcpy(written + i, &kFourFlags, 4);
        }
        for (; i < count; ++i, field += 2) {
            const std::uint8_t high = hexValue(field[0]);
            const std::uint8_t low = hexValue(field[1]);
            std::uint32_t value = high * 16u + low;
            if ((high | low) >= 16) {  // rare: a field of one digit, or none
                if (high == kNotHex) return false;
                value = high;
            }
            bytes[i] = static_cast<std::uint8_t>(value);
            written[i] = 1;
            sum += value;
        }
        std::uint32_t checksum = 0;
        if (!readByte(field, checksum)) return false;
        return ((sum + checksum) & 0xFF) == 0;
    }
    case kEndOfFile:
        image.endReached = 1;
        return true;
    case kSegmentAddress:
        if (count == 2) applyBaseRecord(image, line, sum, 4);
        return true;
    case kLinearAddress:
        if (count == 2) applyBaseRecord(image, line, sum, 16);
        return true;
    default:
        return true;
    }
}

}  // namespace zt
