#include <gtest/gtest.h>

#include <sstream>

#include "firmware/firmware_check.h"
#include "support/scratch_folder.h"

namespace zt {
namespace {

// Faults: more or fewer than three bytes looked at, a digit test off at an edge, the extension or
// a name outside ASCII in the way; a stream read from where it stood, or left elsewhere.
TEST(FirmwareCheckTest, FileBeginningsThatPassAndFail) {
    const std::pair<std::string, bool> rows[] = {
        {":10000000", true}, {":aF", true}, {":00 not a record", true},
        {"\xEF\xBB\xBF:10", false}, {" :10", false}, {":1", false}, {"", false},
        {":1G", false}, {":/0", false}, {":0@", false}, {":0`", false}, {":\xB1\xB0", false},
    };
    test::ScratchFolder folder;
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
