#include <gtest/gtest.h>

#include <sstream>

#include "firmware/firmware_check.h"
#include "support/hex_text.h"

namespace zt {
namespace {

TEST(FirmwareCheckTest, FileBeginningsThatPassAndFail) {
    const std::pair<std::string, bool> rows[] = {
        {":10000000", true},
        {":aF", true},                      // either case
        {":00 this is not a record", true},  // only three bytes are looked at
        {"\xEF\xBB\xBF:10000000", false},   // a byte-order mark first
        {" :10000000", false},
        {":1", false},
        {":1G", false},
        {":/0", false},
        {":0@", false},
        {":\xB1\xB0", false},  // bytes above 0x7F are no digits
    };
    test::ScratchFolder folder;
    for (const auto& [content, passes] : rows) {
        // The extension plays no part; a name outside ASCII opens.
        for (const char* name : {"firmware.kzt", "pr\xC3\xBC" "fung-\xE2\x82\xAC.kzp"})
            EXPECT_EQ(checkFirmwareFile(folder.write(name, content)), passes) << content << name;
    }
    EXPECT_FALSE(checkFirmwareFile(folder.path("missing.hex")));
}

// Fault: the check reading from where the stream stood, or leaving it elsewhere.
TEST(FirmwareCheckTest, TheStreamIsLeftWhereItWas) {
    const std::tuple<std::string, int, bool> rows[] = {{":10AB", 3, true}, {":1", 2, false}};
    for (const auto& [text, skip, passes] : rows) {
        std::istringstream stream(text);
        stream.ignore(skip);
        EXPECT_EQ(startsLikeHexRecord(stream), passes) << skip;
        EXPECT_EQ(stream.tellg(), skip);
    }
}

}  // namespace
}  // namespace zt
