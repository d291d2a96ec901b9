#include <gtest/gtest.h>

#include <vector>

#include "firmware/firmware_image.h"
#include "hex_test_files.h"

namespace zt {
namespace {

using test::dataRecord;

class ImageRangeTest : public ::testing::Test {
protected:
    // Written: 0x100..0x103 = 1 2 3 4 and 0xFFFFC..0xFFFFE = 7 8 9 (the highest bytes a file
    // can reach); everything else unwritten.
    void readSample() {
        const std::string text = dataRecord(0x100, {1, 2, 3, 4}) + ":02000004000FEB\n" +
                                 dataRecord(0xFFFC, {7, 8, 9}) + test::kEndRecord;
        ASSERT_EQ(readHexFile(*image, folder.write("sample.hex", text), nullptr), 7);
    }
    // Copies into the middle of a guarded buffer, so writes outside the range show.
    std::vector<std::uint8_t> copy(std::int32_t offset, std::int32_t length) {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(std::max(length, 0)) + 8, 0xA5);
        copyImageRange(*image, offset, length, out.data() + 4);
        return out;
    }
    static std::vector<std::uint8_t> guarded(const std::vector<std::uint8_t>& inside) {
        std::vector<std::uint8_t> out(inside.size() + 8, 0xA5);
        for (std::size_t i = 0; i < inside.size(); ++i) out[i + 4] = inside[i];
        return out;
    }

    test::TempFolder folder;
    std::unique_ptr<FirmwareImage> image = test::makeImage();
};

TEST_F(ImageRangeTest, RangesBeforeAnyReadAreBlank) {
    // A fresh image is all zero bytes, none of them written: zeros must not leak out.
    struct Case { std::int32_t offset, length; };
    for (const Case& c : {Case{0, 16}, Case{0x100, 4}, Case{0xFFFF0, 15}, Case{-4, 8}}) {
        SCOPED_TRACE(c.offset);
        EXPECT_EQ(copy(c.offset, c.length),
                  guarded(std::vector<std::uint8_t>(static_cast<std::size_t>(c.length), 0xFF)));
    }
}

TEST_F(ImageRangeTest, CopiesWrittenBytesAndBlanksTheRest) {
    readSample();
    using Bytes = std::vector<std::uint8_t>;
    struct Case {
        const char* what;
        std::int32_t offset, length;
        Bytes expected;  // between the guards
    };
    const Case cases[] = {
        {"unwritten bytes", 0, 4, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"straddling written bytes", 0xFE, 8, {0xFF, 0xFF, 1, 2, 3, 4, 0xFF, 0xFF}},
        {"ending just below the image end", 0xFFFFB, 4, {0xFF, 7, 8, 9}},
        {"ending at the image end: blank throughout", 0xFFFFC, 4, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"reaching beyond the image end", 0xFFFFE, 8, Bytes(8, 0xFF)},
        {"far beyond", 0x7FFFFFF0, 15, Bytes(15, 0xFF)},
        {"negative offset: blank throughout", -2, 6, Bytes(6, 0xFF)},
        {"zero length", 0x100, 0, {}},
        {"negative length writes nothing", 0x100, -4, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(copy(c.offset, c.length), guarded(c.expected));
    }
}

TEST_F(ImageRangeTest, ImageEndIsPastTheHighestWrittenByte) {
    struct Case {
        const char* what;
        std::string text;
        std::int32_t end;
    };
    const Case cases[] = {
        {"nothing written", test::kEndRecord, 0},
        {"one byte at address 0", dataRecord(0, {0}), 1},
        // The sum of the record lengths would be 6 here; the image reaches 0x2004.
        {"gaps between records", dataRecord(0x10, {1, 2}) + dataRecord(0x2000, {3, 4, 5, 6}),
         0x2004},
        {"records out of order", dataRecord(0x2000, {3}) + dataRecord(0x10, {1}), 0x2001},
        {"the highest byte a file can reach", ":02000004000FEB\n" + dataRecord(0xFFFE, {1}),
         0xFFFFF},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_GE(readHexFile(*image, folder.write("end.hex", c.text), nullptr), 0);
        EXPECT_EQ(imageEnd(*image), c.end);
    }
    EXPECT_EQ(imageEnd(*test::makeImage()), 0);
}

}  // namespace
}  // namespace zt
