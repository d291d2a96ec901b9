#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "firmware/firmware_image.h"
#include "hex_test_files.h"

namespace zt {
namespace {

using test::dataRecord;
using test::kEndRecord;

// A line of exactly `length` characters before its line end: a one-byte data record (0x55 at
// address 0) followed by spaces, which the parser never looks at.
std::string paddedRecord(std::size_t length, const std::string& lineEnd) {
    std::string line = ":0100000055AA";
    line.resize(length, ' ');
    return line + lineEnd;
}

std::string withCrLf(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

struct ReadCase {
    const char* what;
    std::string text;
    std::int32_t result;
    std::vector<std::pair<std::uint32_t, std::uint8_t>> bytes;  // every written byte
};

class HexReaderTest : public ::testing::Test {
protected:
    test::TempFolder folder;
    std::unique_ptr<FirmwareImage> image = test::makeImage();
};

TEST_F(HexReaderTest, FilesReadAsTheRecordsSay) {
    const std::string sixteen = ":10000000000102030405060708090A0B0C0D0E0F78\n";
    std::vector<std::pair<std::uint32_t, std::uint8_t>> zeroToFifteen;
    for (std::uint8_t i = 0; i < 16; ++i) zeroToFifteen.push_back({i, i});
    std::string lowerCase = sixteen;
    for (char& c : lowerCase) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    const ReadCase cases[] = {
        {"empty file", "", 0, {}},
        {"end record only", kEndRecord, 0, {}},
        {"blank line before the end record", "\n" + kEndRecord, -2, {}},
        {"anything after the end record is never read",
         dataRecord(0, {1, 2}) + kEndRecord + "\nnot a record\n\x01\x02", 2, {{0, 1}, {1, 2}}},
        {"no end record: read to the end", dataRecord(0x10, {0xAA, 0xBB}), 2,
         {{0x10, 0xAA}, {0x11, 0xBB}}},
        {"last line without its line feed", ":010020009946", 1, {{0x20, 0x99}}},
        {"upper case", sixteen, 16, zeroToFifteen},
        {"lower case", lowerCase, 16, zeroToFifteen},
        {"CR LF line ends", withCrLf(sixteen + dataRecord(0x30, {7}) + kEndRecord), 17,
         [&] { auto b = zeroToFifteen; b.push_back({0x30, 7}); return b; }()},
        // Base 0xF0000: the record's last byte would be the image's last byte, 0xFFFFF.
        {"the last image byte is out of range", ":02000004000FEB\n" + dataRecord(0xFFFF, {0xAB}),
         -2, {}},
        {"the byte below it is not", ":02000004000FEB\n" + dataRecord(0xFFFE, {0xAB}), 1,
         {{0xFFFFE, 0xAB}}},
        {"a base beyond the image refuses even the end record",
         ":020000040010EA\n" + kEndRecord, -2, {}},
        {"segment base 0x1000 is address 0x10000", ":020000021000EC\n" + dataRecord(4, {0x5A}), 1,
         {{0x10004, 0x5A}}},
        {"linear base record with a bad checksum is skipped",
         ":020000040001F9\n:020000040002F7\n" + dataRecord(0x20, {0x77}), 1, {{0x10020, 0x77}}},
        {"segment base record with an unreadable value is skipped",
         ":020000021000EC\n:02000002G000EC\n" + dataRecord(1, {9}), 1, {{0x10001, 9}}},
        {"base record with a count other than 2 is ignored",
         ":0400000400010000F7\n" + dataRecord(0x10, {5}), 1, {{0x10, 5}}},
        {"repeated addresses: the later bytes stay, both records count",
         dataRecord(0x40, {1, 2, 3}) + dataRecord(0x41, {9}), 4, {{0x40, 1}, {0x41, 9}, {0x42, 3}}},
        {"bad data checksum: refused, its bytes already stored",
         dataRecord(0, {0x11}) + ":02001000223398\n" + kEndRecord, -2,
         {{0, 0x11}, {0x10, 0x22}, {0x11, 0x33}}},
        {"count unreadable", ":G000000000\n", -2, {}},
        {"count with a leading space", ": 0000001FF\n", -2, {}},
        {"address unreadable", ":00G00001FF\n", -2, {}},
        {"type unreadable", ":000000G0FF\n", -2, {}},
        {"data byte unreadable", ":02000000AAZZ00\n", -2, {{0, 0xAA}}},
        {"data checksum unreadable", ":01000000AAZZ\n", -2, {{0, 0xAA}}},
        {"a field ends at its first non-digit", ":1G000000AA55\n", 1, {{0, 0xAA}}},
        {"a one-digit data byte among others", ":050000001122" "3G" "44552C\n", 5,
         {{0, 0x11}, {1, 0x22}, {2, 0x03}, {3, 0x44}, {4, 0x55}}},
        {"an unreadable byte after four good ones", ":0500000011223344ZZ00\n", -2,
         {{0, 0x11}, {1, 0x22}, {2, 0x33}, {3, 0x44}}},
        {"the line feed counts toward the minimum length", ":00000001F\n", 0, {}},
        {"shorter than the minimum", ":00000001\n", -2, {}},
        {"shorter than its count", ":0200000011\n", -2, {}},
        {"binary junk", "\x89PNG\r\n\x1a\n", -2, {}},
        {"a line beginning with NUL is skipped",
         std::string("\0junk\n", 6) + dataRecord(0, {7}) + kEndRecord, 1, {{0, 7}}},
        {"a NUL inside a line ends it", std::string(":0000\0" "0001FF\n", 13), -2, {}},
        {"1022 characters and a line feed fit in one line",
         paddedRecord(1022, "\n") + kEndRecord, 1, {{0, 0x55}}},
        {"1022 characters and CR LF fit too", paddedRecord(1022, "\r\n") + kEndRecord, 1,
         {{0, 0x55}}},
        {"1023 characters: the line feed is a blank line of its own",
         paddedRecord(1023, "\n") + kEndRecord, -2, {{0, 0x55}}},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = folder.write("case.hex", c.text);
        EXPECT_EQ(readHexFile(*image, path, nullptr), c.result);
        for (const auto& [address, value] : c.bytes) {
            EXPECT_EQ(image->written[address], 1) << std::hex << address;
            EXPECT_EQ(image->bytes[address], value) << std::hex << address;
        }
        EXPECT_EQ(test::writtenCount(*image), static_cast<std::int32_t>(c.bytes.size()));
    }
}

TEST_F(HexReaderTest, OtherRecordTypesAreAcceptedUnread) {
    // Types 03 and 05 and unknown types: neither their data nor their checksum is looked at.
    const std::string text = ":04000003ZZZZZZZZZZ\n:04000005ZZZZZZZZZZ\n:000000AB00\n" +
                             dataRecord(0, {1}) + kEndRecord;
    EXPECT_EQ(readHexFile(*image, folder.write("types.hex", text), nullptr), 1);
    EXPECT_EQ(image->bytes[0], 1);
    EXPECT_EQ(image->baseAddress, 0u);
}

TEST_F(HexReaderTest, SuccessHandsOutTheImageAndFailureLeavesItBlank) {
    const std::uint8_t* bytes = nullptr;
    const std::string good = folder.write(
        "good.hex", ":020000040001F9\n" + dataRecord(0x100, {1, 2, 3}) + kEndRecord);
    ASSERT_EQ(readHexFile(*image, good, &bytes), 3);
    EXPECT_EQ(bytes, image->bytes.data());
    EXPECT_EQ(image->baseAddress, 0x10000u);
    EXPECT_EQ(image->endReached, 1u);

    // Nothing of the last read survives a read that cannot even open its file.
    const std::uint8_t* untouched = reinterpret_cast<const std::uint8_t*>(&bytes);
    bytes = untouched;
    EXPECT_EQ(readHexFile(*image, folder.path("missing.hex"), &bytes), -1);
    EXPECT_EQ(bytes, untouched);
    EXPECT_EQ(image->byteCount, 0);
    EXPECT_EQ(image->baseAddress, 0u);
    EXPECT_EQ(image->endReached, 0u);
    EXPECT_EQ(test::writtenCount(*image), 0);
    EXPECT_EQ(std::count(image->bytes.begin(), image->bytes.end(), 0xFF), FirmwareImage::kSize);
}

TEST_F(HexReaderTest, EachReadStartsFromABlankImage) {
    const std::string first = folder.write(
        "first.hex", ":020000040001F9\n" + dataRecord(0x100, {1}) + kEndRecord);
    const std::string second = folder.write("second.hex", dataRecord(0x200, {2}));
    ASSERT_EQ(readHexFile(*image, first, nullptr), 1);
    ASSERT_EQ(readHexFile(*image, second, nullptr), 1);
    // The first file's base does not carry over, nor do its bytes or its end record.
    EXPECT_EQ(image->bytes[0x200], 2);
    EXPECT_EQ(image->written[0x10100], 0);
    EXPECT_EQ(image->bytes[0x10100], 0xFF);
    EXPECT_EQ(image->endReached, 0u);
}

TEST_F(HexReaderTest, ADirectoryIsAnUnreadableFile) {
    // Opening succeeds on POSIX but nothing can be read: not an empty firmware.
    EXPECT_EQ(readHexFile(*image, folder.path(""), nullptr), -1);
    EXPECT_EQ(test::writtenCount(*image), 0);
}

// Sixteen-byte data records for `data` placed at `start`, with a linear base record at the start
// and at every 64 KiB boundary, then the end record.
std::string recordsFor(const std::vector<std::uint8_t>& data, std::uint32_t start) {
    std::string records;
    for (std::uint32_t offset = 0; offset < data.size(); offset += 16) {
        const std::uint32_t address = start + offset;
        if (offset == 0 || (address & 0xFFFF) == 0)
            records += test::hexRecord(0x04, 0, {0, static_cast<std::uint8_t>(address >> 16)});
        const std::uint8_t* b = &data[offset];
        records += dataRecord(static_cast<std::uint16_t>(address),
                              {b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10],
                               b[11], b[12], b[13], b[14], b[15]});
    }
    return records + kEndRecord;
}

std::vector<std::uint8_t> randomBytes(std::size_t size) {
    std::mt19937 random(7);
    std::vector<std::uint8_t> data(size);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
    return data;
}

TEST_F(HexReaderTest, LargeFilesReadWholeInEitherLineEnd) {
    const std::vector<std::uint8_t> data = randomBytes(0x30000);
    const std::uint32_t start = 0x8000;
    const std::string records = recordsFor(data, start);
    for (const std::string& text : {records, withCrLf(records)}) {
        ASSERT_EQ(readHexFile(*image, folder.write("large.hex", text), nullptr),
                  static_cast<std::int32_t>(data.size()));
        EXPECT_EQ(std::memcmp(image->bytes.data() + start, data.data(), data.size()), 0);
        EXPECT_EQ(test::writtenCount(*image), static_cast<std::int32_t>(data.size()));
        EXPECT_EQ(image->endReached, 1u);
    }
}

// The reader takes files in blocks: shifting a CR LF file by one byte at a time puts a CR LF
// pair across a block boundary at every position a 45-character line can have.
TEST_F(HexReaderTest, CrLfAcrossTheReadersBlocks) {
    const std::vector<std::uint8_t> data = randomBytes(0x2000);
    const std::string records = withCrLf(recordsFor(data, 0));
    for (std::size_t padding = 1; padding <= 46; ++padding) {
        SCOPED_TRACE(padding);
        // A line that begins with NUL is skipped, whatever its length.
        const std::string text = std::string(padding, '\0') + "\n" + records;
        ASSERT_EQ(readHexFile(*image, folder.write("shifted.hex", text), nullptr),
                  static_cast<std::int32_t>(data.size()));
        ASSERT_EQ(std::memcmp(image->bytes.data(), data.data(), data.size()), 0);
    }
}

TEST(HexRecordTest, TheByteCountNeverOverflows) {
    auto image = test::makeImage();
    image->byteCount = INT32_MAX - 1;
    EXPECT_TRUE(parseHexRecord(*image, ":0100000055AA\n"));
    EXPECT_EQ(image->byteCount, INT32_MAX);
    EXPECT_FALSE(parseHexRecord(*image, ":0100000055AA\n"));
    EXPECT_EQ(image->byteCount, INT32_MAX);
}

}  // namespace
}  // namespace zt
