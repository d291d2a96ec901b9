#include <gtest/gtest.h>

#include <sstream>

#include "firmware/firmware_check.h"
#include "support/hex_text.h"

namespace zt {
namespace {

TEST(FirmwareCheckTest, FileBeginningsThatPassAndFail) {
    const std::pair<std::string, bool> cases[] = {
        {":10000000000102030405060708090A0B0C0D0E0F78\n", true},
        {":aF", true},                      // either case
        {":00 this is not a record", true},  // only three bytes are looked at
        {"\xEF\xBB\xBF:10000000", false},   // a byte-order mark first
        {" :10000000", false},
        {"\n:10000000", false},
        {":1", false},
        {"", false},
        {":1G", false},
        {":\xB1\xB0", false},  // bytes above 0x7F are no digits
    };
    test::ScratchFolder folder;
    for (const auto& [content, passes] : cases) {
        SCOPED_TRACE(content);
        // The extension plays no part; a name outside ASCII opens.
        for (const char* name : {"firmware.hex", "firmware.kzt", "pr\xC3\xBC" "fung-\xE2\x82\xAC.kzp"})
            EXPECT_EQ(checkFirmwareFile(folder.write(name, content)), passes) << name;
    }
    EXPECT_FALSE(checkFirmwareFile(folder.path("missing.hex")));
    EXPECT_FALSE(checkFirmwareFile(folder.path("")));  // the folder itself
}

TEST(FirmwareCheckTest, TheStreamIsLeftWhereItWas) {
    // The check looks at the beginning of the stream, wherever it was read to.
    const std::tuple<std::string, int, bool> cases[] = {{":10AB", 0, true}, {":10AB", 3, true},
                                                        {":1", 2, false}};
    for (const auto& [text, skip, passes] : cases) {
        std::istringstream stream(text);
        stream.ignore(skip);
        EXPECT_EQ(startsLikeHexRecord(stream), passes) << skip;
        std::string rest;
        stream >> rest;
        EXPECT_EQ(rest, text.substr(static_cast<std::size_t>(skip))) << skip;
    }
}

}  // namespace
}  // namespace zt
