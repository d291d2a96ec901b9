#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <sstream>

#include "firmware/firmware_check.h"
#include "firmware/hex_stream.h"
#include "support/hex_text.h"

namespace zt {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Written = std::vector<std::pair<std::uint32_t, std::uint8_t>>;  // address, value
const std::string kEnd = ":00000001FF\n";

std::string rec(std::uint16_t at, const Bytes& data) { return test::hexRecord(0, at, data); }
std::string padded(std::size_t length, const std::string& end) {  // one record, then spaces
    return ":0100000055AA" + std::string(length - 13, ' ') + end;
}

class HexReaderTest : public ::testing::Test {
protected:
    Written written() const {
        Written out;
        for (std::uint32_t a = 0; a < FirmwareImage::kSize; ++a)
            if (image->written[a]) out.push_back({a, image->bytes[a]});
        return out;
    }
    test::ScratchFolder folder;
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
};

// Each text is read from a file, and again in pieces that split it at every awkward place.
TEST_F(HexReaderTest, FilesReadAsTheRecordsSay) {
    // the rule a wrong result would break, text, result, bytes written
    const std::tuple<const char*, std::string, std::int32_t, Written> rows[] = {
        {"empty file", "", 0, {}},
        {"blank line before the end", "\n" + kEnd, -2, {}},
        {"nothing after the end is read", rec(0, {1}) + kEnd + "junk\n", 1, {{0, 1}}},
        {"no end record; exactly 2 x count + 11 characters", rec(0x10, {0xAA}) + ":010020009946",
         2, {{0x10, 0xAA}, {0x20, 0x99}}},
        {"exactly 11 characters", ":00000001FF", 0, {}},
        {"the line feed counts toward the length", ":00000001F\n", 0, {}},
        {"shorter than its count", ":0200000011\n", -2, {}},
        {"lower case, CR LF", ":02000000a0fF5f\r\n", 2, {{0, 0xA0}, {1, 0xFF}}},
        {"a lone CR stays in the line", "\r" + kEnd, -2, {}},
        {"a CR left in the buffer ends no later line", rec(0, {1}).substr(0, 13) + "X\rY\n" +
         rec(1, {2}), 2, {{0, 1}, {1, 2}}},
        {"one-digit fields", ":040000001/2:3@4GF2", 4, {{0, 1}, {1, 2}, {2, 3}, {3, 4}}},
        {"a data field with no digit", ":0200000011:200\n", -2, {{0, 0x11}}},
        {"an address with no digit", ":01G0000055AA\n", -2, {}},
        {"a count with no digit", ":GG0000000055\n", -2, {}},
        {"a type with no digit", ":010000G055AA\n", -2, {}},
        {"byte 0xFFFFF is beyond the image", ":02000004000FEB\n" + rec(0xFFFF, {1}), -2, {}},
        {"byte 0xFFFFE is not", ":02000004000FEB\n" + rec(0xFFFE, {1}), 1, {{0xFFFFE, 1}}},
        {"base 0x100000, then any record", ":020000040010EA\n" + kEnd, -2, {}},
        {"segment base 0x1000", ":020000021000EC\n" + rec(4, {5}), 1, {{0x10004, 5}}},
        {"base with a bad checksum skipped", ":020000040001F9\n:020000040002F7\n" + rec(0, {7}),
         1, {{0x10000, 7}}},
        {"base of count 4 ignored", ":0400000400010000F7\n" + rec(0x10, {5}), 1, {{0x10, 5}}},
        {"other types unread", ":04000003ZZZZZZZZZZ\n" + rec(0, {1}), 1, {{0, 1}}},
        {"later bytes stay, both records count", rec(0x40, {1, 2}) + rec(0x41, {9}), 3,
         {{0x40, 1}, {0x41, 9}}},
        {"bad checksum: bytes stored, then refused", rec(0, {0x11}) + ":01001000229D\n", -2,
         {{0, 0x11}, {0x10, 0x22}}},
        {"a line beginning with NUL skipped", std::string("\0x\n", 3) + rec(0, {7}), 1, {{0, 7}}},
        {"1022 characters and LF: one line", padded(1022, "\n") + kEnd, 1, {{0, 0x55}}},
        {"1022 characters and CR LF too", padded(1022, "\r\n") + kEnd, 1, {{0, 0x55}}},
        {"after 1023 the LF is a line", padded(1023, "\n") + kEnd, -2, {{0, 0x55}}},
        {"after 1023 a CR LF too", padded(1023, "\r\n") + kEnd, -2, {{0, 0x55}}},
        {"a CR as the 1023rd character", padded(1022, "\r") + "x\n" + kEnd, -2, {{0, 0x55}}},
    };
    for (const auto& [what, text, result, bytes] : rows) {
        SCOPED_TRACE(what);
        EXPECT_EQ(readHexFile(*image, folder.write("f.hex", text), nullptr), result);
        EXPECT_EQ(written(), bytes);
        for (std::size_t piece : {1, 2, 1023}) {
            resetImage(*image);
            MemorySource source(text.data(), text.size(), piece);
            EXPECT_EQ(readHexLines(*image, source), result) << piece;
            EXPECT_EQ(written(), bytes) << piece;
        }
    }
}

// The four-at-once decoder against the one-digit table, for every byte value in every lane: any
// edge of its ranges off by one shows here (in the reader the byte loop would cover it up).
TEST(HexDigitsTest, FourBytesAtOnceAgreeWithOneAtATime) {
    for (int lane = 0; lane < 8; ++lane) {
        for (int c = 0; c < 256; ++c) {
            char field[] = "a0F9b1C2";
            field[lane] = static_cast<char>(c);
            std::uint32_t bytes = 0, sum = 1;
            const bool hex = isHexDigit(field[lane]);
            ASSERT_EQ(readFourBytes(field, bytes, sum), hex) << lane << ' ' << c;
            // Unchanged when refused; else the field's bytes, the first one lowest, and their sum.
            const std::uint32_t want = hex ? __builtin_bswap32(std::stoul(field, nullptr, 16)) : 0;
            const auto byte = [want](int i) { return want >> (8 * i) & 255; };
            ASSERT_EQ(bytes, want) << lane << ' ' << c;
            ASSERT_EQ(sum, 1 + byte(0) + byte(1) + byte(2) + byte(3)) << lane << ' ' << c;
        }
    }
}

// A line lost where it crosses one of the reader's 32 KiB blocks; an end other than just past the
// highest byte; an unreadable file read as empty. (The table shows state carried between reads.)
TEST_F(HexReaderTest, LargeAndUnreadableFiles) {
    const Bytes data = test::patternBytes(0x30000);
    std::string text;  // in CR LF
    for (char c : test::hexFile({{0x8001, data}})) text += c == '\n' ? "\r\n" : std::string(1, c);
    const std::uint8_t* bytes = nullptr;
    ASSERT_EQ(readHexFile(*image, folder.write("big.hex", text), &bytes), 0x30000);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), bytes + 0x8001));
    EXPECT_EQ(bytes[0x8000], 0xFF) << "the image was zeros: not blanked";
    EXPECT_EQ(imageEnd(*image), 0x38001);
    bytes = nullptr;
    for (const std::string& unreadable : {folder.path("missing.hex"), folder.path("")}) {
        EXPECT_EQ(readHexFile(*image, unreadable, &bytes), -1);
        EXPECT_EQ(bytes, nullptr);
        EXPECT_EQ(imageEnd(*image), 0);
    }
}

// A read that fails part way through a line is a read failure, not a record cut short.
TEST_F(HexReaderTest, AReadFailingInsideALineIsAReadFailure) {
    struct Failing : ByteSource {
        std::ptrdiff_t read(char* destination, std::size_t) override {
            if (std::exchange(served, true)) return kFailed;
            std::memcpy(destination, ":0100", 5);
            return 5;
        }
        bool served = false;
    } source;
    EXPECT_EQ(readHexLines(*image, source), -1);
}

TEST_F(HexReaderTest, TheByteCountNeverOverflows) {
    image->byteCount = INT32_MAX - 1;
    EXPECT_TRUE(parseHexRecord(*image, ":0100000055AA\n"));
    EXPECT_FALSE(parseHexRecord(*image, ":0100000055AA\n"));
}

TEST_F(HexReaderTest, CopyImageRangeBlanksWhatWasNotWritten) {
    const std::string text = rec(0x100, {1, 2, 3, 4}) + ":02000004000FEB\n" + rec(0xFFFC, {7, 8});
    MemorySource source(text.data(), text.size());  // into a fresh image: zeros, none written
    ASSERT_EQ(readHexLines(*image, source), 6);
    EXPECT_EQ(imageEnd(*image), 0xFFFFE) << "a written top block skipped";
    const std::tuple<std::int32_t, std::int32_t, Bytes> rows[] = {  // offset, length, bytes
        {0xFE, 8, {0xFF, 0xFF, 1, 2, 3, 4, 0xFF, 0xFF}},
        {0xFFFFB, 4, {0xFF, 7, 8, 0xFF}},
        {0xFFFFD, 3, Bytes(3, 0xFF)},  // reaching the image end: blank throughout
        {0x7FFFFFF8, 15, Bytes(15, 0xFF)},  // its end beyond INT32_MAX
        {-2, 6, Bytes(6, 0xFF)},
        {0x100, -4, {}},  // a negative length writes nothing
    };
    for (const auto& [offset, length, expected] : rows) {
        Bytes got(16, 0xA5);
        copyImageRange(*image, offset, length, got.data());
        EXPECT_EQ(Bytes(got.begin(), got.begin() + expected.size()), expected) << offset;
        EXPECT_EQ(got[expected.size()], 0xA5) << offset << ": written past the length";
    }
}

// Faults: more or fewer than three bytes looked at, a digit test off at an edge, the extension or
// a name outside ASCII in the way; a stream read from where it stood, or left elsewhere.
TEST_F(HexReaderTest, FirmwareFileBeginningsThatPassAndFail) {
    const std::pair<std::string, bool> rows[] = {
        {":10000000", true}, {":aF", true}, {":00 not a record", true},
        {"\xEF\xBB\xBF:10", false}, {" :10", false}, {":1", false}, {"", false},
        {":1G", false}, {":/0", false}, {":0@", false}, {":0`", false}, {":\xB1\xB0", false},
    };
    for (const auto& [content, passes] : rows) {
        for (const char* name : {"firmware.kzt", "pr\xC3\xBC" "fung-\xE2\x82\xAC.kzp"})
            EXPECT_EQ(checkFirmwareFile(folder.write(name, content)), passes) << content << name;
        std::istringstream stream(content);  // two bytes in: read from its start, left there
        stream.ignore(2);
        EXPECT_EQ(startsLikeHexRecord(stream), passes) << content;
        EXPECT_EQ(stream.tellg(), content.empty() ? -1 : 2) << content;
    }
    EXPECT_FALSE(checkFirmwareFile(folder.path("missing.hex")));
}

}  // namespace
}  // namespace zt
