#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include "firmware/firmware_check.h"
#include "hex_test_files.h"

namespace zt {
namespace {

TEST(FirmwareCheckTest, FileBeginningsThatPassAndFail) {
    struct Case {
        const char* what;
        std::string content;
        bool passes;
    };
    const Case cases[] = {
        {"a record", ":10000000000102030405060708090A0B0C0D0E0F78\n", true},
        {"mixed-case digits", ":aF", true},
        {"only three bytes are looked at", ":00 this is not a record", true},
        {"byte-order mark first", "\xEF\xBB\xBF:10000000", false},
        {"leading space", " :10000000", false},
        {"blank line first", "\n:10000000", false},
        {"two bytes", ":1", false},
        {"empty", "", false},
        {"no colon", "010000000", false},
        {"a non-digit", ":1G", false},
        {"bytes above 0x7F", ":\xB1\xB0", false},
    };
    test::TempFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The extension plays no part.
        for (const char* name : {"firmware.hex", "firmware.kzt", "firmware.kzp"})
            EXPECT_EQ(checkFirmwareFile(folder.write(name, c.content)), c.passes) << name;
    }
    EXPECT_FALSE(checkFirmwareFile(folder.path("missing.hex")));
    EXPECT_FALSE(checkFirmwareFile(folder.path("")));  // the folder itself
}

TEST(FirmwareCheckTest, NamesOutsideAsciiOpen) {
    test::TempFolder folder;
    EXPECT_TRUE(checkFirmwareFile(folder.write("pr\xC3\xBC" "fung-\xE2\x82\xAC.hex", ":10")));
}

TEST(FirmwareCheckTest, TheStreamIsLeftWhereItWas) {
    struct Case {
        const char* what;
        std::string content;
        int skip;  // characters read before the check
        bool passes;
    };
    const Case cases[] = {
        {"at the start", ":10AB", 0, true},
        {"part way", ":10AB", 3, true},
        {"at the end", ":10AB", 5, true},
        {"a short stream, read to its end", ":1", 2, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream stream(c.content);
        stream.ignore(c.skip);
        const std::streampos before = stream.tellg();
        EXPECT_EQ(startsLikeHexRecord(stream), c.passes);
        EXPECT_EQ(stream.tellg(), before);
        // Reading goes on from there.
        std::string rest;
        stream >> rest;
        EXPECT_EQ(rest, c.content.substr(static_cast<std::size_t>(c.skip)));
    }
}

TEST(FirmwareCheckTest, HexDigitsAreExactlyTheTwentyTwo) {
    const char* digits = "0123456789abcdefABCDEF";
    for (int value = 0; value < 256; ++value) {
        const char c = static_cast<char>(value);
        EXPECT_EQ(isHexDigit(c), c != '\0' && std::strchr(digits, c) != nullptr) << value;
    }
}

}  // namespace
}  // namespace zt
