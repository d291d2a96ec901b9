#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>

#include "firmware/hex_stream.h"
#include "support/hex_text.h"

namespace zt {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Written = std::vector<std::pair<std::uint32_t, std::uint8_t>>;  // address, value
const std::string kEnd = ":00000001FF\n";

std::string rec(std::uint16_t address, const Bytes& data) { return test::hexRecord(0, address, data); }
std::string withCrLf(const std::string& text) {
    std::string out;
    for (char c : text) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}
// A one-byte record (0x55 at 0) padded with spaces, which the parser never looks at.
std::string padded(std::size_t length, const std::string& lineEnd) {
    std::string line = ":0100000055AA";
    line.resize(length, ' ');
    return line + lineEnd;
}
Written writtenBytes(const FirmwareImage& image) {
    Written out;
    for (std::uint32_t a = 0; a < FirmwareImage::kSize; ++a)
        if (image.written[a]) out.push_back({a, image.bytes[a]});
    return out;
}

// Hands out at most `piece` bytes per read, as a file read in blocks may.
class PieceSource final : public ByteSource {
public:
    PieceSource(const std::string& text, std::size_t piece) : text_(text), piece_(piece) {}
    std::ptrdiff_t read(char* destination, std::size_t capacity) override {
        const std::size_t n = std::min({capacity, piece_, text_.size() - at_});
        std::memcpy(destination, text_.data() + at_, n);
        at_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const std::string& text_;
    std::size_t piece_, at_ = 0;
};

class HexReaderTest : public ::testing::Test {
protected:
    std::int32_t read(const std::string& text) {
        return readHexFile(*image, folder.write("case.hex", text), nullptr);
    }
    test::ScratchFolder folder;
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
};

// Each text is read from a file and again from sources that split it at every awkward place.
TEST_F(HexReaderTest, FilesReadAsTheRecordsSay) {
    const std::string sixteen = ":10000000000102030405060708090A0B0C0D0E0F78\n";
    std::string lower = sixteen;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return std::tolower(c); });
    Written zeroToFifteen;
    for (std::uint8_t i = 0; i < 16; ++i) zeroToFifteen.push_back({i, i});
    const struct {
        const char* what;
        std::string text;
        std::int32_t result;
        Written bytes;
    } cases[] = {
        {"empty file", "", 0, {}},
        {"end record only", kEnd, 0, {}},
        {"blank line before the end record", "\n" + kEnd, -2, {}},
        {"text after the end record is never read", rec(0, {1, 2}) + kEnd + "junk\n\x01", 2,
         {{0, 1}, {1, 2}}},
        {"no end record: read to the end", rec(0x10, {0xAA}) + ":010020009946", 2,
         {{0x10, 0xAA}, {0x20, 0x99}}},
        {"lower case", lower, 16, zeroToFifteen},
        {"CR LF line ends", withCrLf(sixteen + kEnd), 16, zeroToFifteen},
        {"a lone CR stays part of the line", "\r" + kEnd, -2, {}},
        {"byte 0xFFFFF is beyond the image", ":02000004000FEB\n" + rec(0xFFFF, {0xAB}), -2, {}},
        {"byte 0xFFFFE is not", ":02000004000FEB\n" + rec(0xFFFE, {0xAB}), 1, {{0xFFFFE, 0xAB}}},
        {"linear base 0x0010 then a record", ":020000040010EA\n" + rec(0, {1}), -2, {}},
        {"segment base 0x1000 is 0x10000", ":020000021000EC\n" + rec(4, {0x5A}), 1,
         {{0x10004, 0x5A}}},
        {"linear base with a bad checksum is skipped",
         ":020000040001F9\n:020000040002F7\n" + rec(0x20, {0x77}), 1, {{0x10020, 0x77}}},
        {"base record with a count other than 2 is ignored",
         ":0400000400010000F7\n" + rec(0x10, {5}), 1, {{0x10, 5}}},
        {"other types are accepted unread", ":04000003ZZZZZZZZZZ\n:000000AB00\n" + rec(0, {1}), 1,
         {{0, 1}}},
        {"repeated addresses: later bytes stay, both records count",
         rec(0x40, {1, 2, 3}) + rec(0x41, {9}), 4, {{0x40, 1}, {0x41, 9}, {0x42, 3}}},
        {"bad data checksum: refused, its bytes already stored",
         rec(0, {0x11}) + ":02001000223398\n" + kEnd, -2, {{0, 0x11}, {0x10, 0x22}, {0x11, 0x33}}},
        {"data byte unreadable", ":02000000AAZZ00\n", -2, {{0, 0xAA}}},
        {"the line feed counts toward the minimum length", ":00000001F\n", 0, {}},
        {"shorter than its count", ":0200000011\n", -2, {}},
        {"a line beginning with NUL is skipped", std::string("\0junk\n", 6) + rec(0, {7}), 1,
         {{0, 7}}},
        {"1022 characters and a line feed are one line", padded(1022, "\n") + kEnd, 1, {{0, 0x55}}},
        {"1022 characters and CR LF too", padded(1022, "\r\n") + kEnd, 1, {{0, 0x55}}},
        {"1023 characters: the line feed is a blank line", padded(1023, "\n") + kEnd, -2,
         {{0, 0x55}}},
        {"a CR as the 1023rd character ends the piece", padded(1022, "\r") + "x\n" + kEnd, -2,
         {{0, 0x55}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read(c.text), c.result);
        EXPECT_EQ(writtenBytes(*image), c.bytes);
        for (std::size_t piece : {1, 2, 1023}) {
            SCOPED_TRACE(piece);
            resetImage(*image);
            PieceSource source(c.text, piece);
            EXPECT_EQ(readHexLines(*image, source), c.result);
            EXPECT_EQ(writtenBytes(*image), c.bytes);
        }
    }
}

TEST_F(HexReaderTest, EachReadStartsBlankAndOnlySuccessHandsOutTheImage) {
    const std::uint8_t* bytes = nullptr;
    ASSERT_EQ(readHexFile(*image, folder.write("a.hex", ":020000040001F9\n" + rec(0x100, {1, 2}) + kEnd),
                          &bytes), 2);
    EXPECT_EQ(bytes, image->bytes.data());
    EXPECT_EQ(image->baseAddress, 0x10000u);
    EXPECT_EQ(image->endReached, 1u);
    // The last file's base, bytes and end record do not carry over.
    EXPECT_EQ(read(rec(0x200, {3})), 1);
    EXPECT_EQ(writtenBytes(*image), (Written{{0x200, 3}}));
    EXPECT_EQ(image->bytes[0x10100], 0xFF);
    EXPECT_EQ(image->endReached, 0u);
    EXPECT_EQ(imageEnd(*image), 0x201);
    bytes = nullptr;
    for (const std::string& unreadable : {folder.path("missing.hex"), folder.path("")}) {
        EXPECT_EQ(readHexFile(*image, unreadable, &bytes), -1) << "not an empty firmware";
        EXPECT_EQ(bytes, nullptr);
        EXPECT_TRUE(writtenBytes(*image).empty());
        EXPECT_EQ(image->byteCount + static_cast<std::int32_t>(image->baseAddress), 0);
        EXPECT_EQ(imageEnd(*image), 0);
    }
}

TEST_F(HexReaderTest, LargeFileAcrossBaseRecordsInCrLf) {
    const Bytes data = test::patternBytes(0x30000);
    ASSERT_EQ(read(withCrLf(test::hexFile({{0x8000, data}}))), 0x30000);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), image->bytes.begin() + 0x8000));
    EXPECT_EQ(imageEnd(*image), 0x38000) << "past the highest byte, not the sum of the records";
}

TEST_F(HexReaderTest, TheByteCountNeverOverflows) {
    image->byteCount = INT32_MAX - 1;
    EXPECT_TRUE(parseHexRecord(*image, ":0100000055AA\n"));
    EXPECT_FALSE(parseHexRecord(*image, ":0100000055AA\n"));
    EXPECT_EQ(image->byteCount, INT32_MAX);
}

TEST_F(HexReaderTest, CopyImageRangeBlanksWhatWasNotWritten) {
    // A fresh image is zero bytes, none written: the zeros must not leak out.
    Bytes out(12, 0xA5);
    copyImageRange(*image, 0, 4, out.data() + 4);
    EXPECT_EQ(out, (Bytes{0xA5, 0xA5, 0xA5, 0xA5, 0xFF, 0xFF, 0xFF, 0xFF, 0xA5, 0xA5, 0xA5, 0xA5}));
    ASSERT_EQ(read(rec(0x100, {1, 2, 3, 4}) + ":02000004000FEB\n" + rec(0xFFFC, {7, 8, 9})), 7);
    const struct {
        std::int32_t offset, length;
        Bytes expected;  // between guards of four 0xA5 bytes each
    } cases[] = {
        {0xFE, 8, {0xFF, 0xFF, 1, 2, 3, 4, 0xFF, 0xFF}},
        {0xFFFFB, 4, {0xFF, 7, 8, 9}},
        {0xFFFFC, 4, Bytes(4, 0xFF)},  // reaching the image end: blank throughout
        {0x7FFFFFF0, 15, Bytes(15, 0xFF)},
        {-2, 6, Bytes(6, 0xFF)},
        {0x100, -4, {}},  // a negative length writes nothing
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.offset);
        Bytes got(c.expected.size() + 8, 0xA5), want = got;
        copyImageRange(*image, c.offset, c.length, got.data() + 4);
        std::copy(c.expected.begin(), c.expected.end(), want.begin() + 4);
        EXPECT_EQ(got, want);
    }
}

}  // namespace
}  // namespace zt
