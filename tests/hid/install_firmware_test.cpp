// installFirmware end to end against the emulated loaders: every result code from an injected
// fault, what reaches the flash, and the programmed length of files with gaps.
#include <algorithm>
#include <functional>

#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

using Fault = hidsim::KbootBootloader::Fault;
using Setup = std::function<void(hidsim::KbootBootloader&)>;

class InstallTest : public ChannelTest {
protected:
    std::string smallFirmware() { return firmwareFile({{0, patternBytes(5000)}}); }
};

struct FaultCase {
    const char* what;
    std::uint8_t tag;
    Fault fault;
    bool finalResponse;
    int code;  // for a kind without a first-stage loader
};

// Each verdict of the response check at each step of the sequence.
const FaultCase kFaultCases[] = {
    {"erase unanswered", 2, Fault::NoAnswer, false, 31},
    {"erase answer with a data-phase id", 2, Fault::WrongReportId, false, 31},
    {"erase answer shorter than its length", 2, Fault::LengthPastReport, false, 31},
    {"erase answer lost to a read error", 2, Fault::ReadError, false, 31},
    {"erase answer not generic", 2, Fault::NotGeneric, false, 32},
    {"erase answer for another command", 2, Fault::WrongEchoedTag, false, 33},
    {"erase refused", 2, Fault::ErrorStatus, false, 34},
    {"write command unanswered", 4, Fault::NoAnswer, false, 41},
    {"write command answer not generic", 4, Fault::NotGeneric, false, 42},
    {"write command answer for another command", 4, Fault::WrongEchoedTag, false, 43},
    {"write command refused", 4, Fault::ErrorStatus, false, 44},
    {"final response missing", 4, Fault::NoAnswer, true, 45},
    {"final response not generic", 4, Fault::NotGeneric, true, 46},
    {"final response for another command", 4, Fault::WrongEchoedTag, true, 47},
    {"final response with an error status", 4, Fault::ErrorStatus, true, 48},
    {"reset unanswered", 11, Fault::NoAnswer, false, 51},
    {"reset answer not generic", 11, Fault::NotGeneric, false, 52},
    {"reset answer for another command", 11, Fault::WrongEchoedTag, false, 53},
    {"reset refused", 11, Fault::ErrorStatus, false, 54},
};

TEST_F(InstallTest, EveryKbootFaultHasItsCode) {
    const std::string file = smallFirmware();
    registry.select(kMondrelRow);
    for (const FaultCase& c : kFaultCases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        auto kboot = attachKboot();
        kboot->failCommand(c.tag, c.fault, 1, c.finalResponse);
        EXPECT_EQ(registry.installFirmware(file), c.code);
        // A failed erase or write leaves the device in its bootloader: no reset is sent.
        const bool resetSent = std::count(kboot->commandTags.begin(), kboot->commandTags.end(),
                                          BootloaderChannel::kReset) > 0;
        EXPECT_EQ(resetSent, c.code > 50);
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
}

TEST_F(InstallTest, FirstStageKindFailingBothPathsAddsOneHundred) {
    const std::string file = smallFirmware();
    registry.select(kKadoRow);
    for (const FaultCase& c : kFaultCases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        auto kboot = attachKboot(kKadoVid, kKadoPid);
        kboot->failCommand(c.tag, c.fault, 1, c.finalResponse);
        EXPECT_EQ(registry.installFirmware(file), 100 + c.code);
        EXPECT_EQ(hidsim::openAttempts(kLoaderVid, kLoaderPid), 1);
    }
    hidsim::detachAll();
    EXPECT_EQ(registry.installFirmware(file), 111) << "neither loader attached";
}

TEST_F(InstallTest, CodesBeforeAnyCommand) {
    struct Case {
        const char* what;
        unsigned row;
        bool attach;
        std::string file;
        int code;
    };
    const std::string good = smallFirmware();
    const Case cases[] = {
        {"bootloader not attached", kMondrelRow, false, good, 11},
        {"file missing", kMondrelRow, true, folder.path("none.hex"), 21},
        {"bad checksum", kMondrelRow, true, folder.write("bad.hex", ":0100000041BF\n"), 21},
        {"first-stage kind, file missing", kKadoRow, true, folder.path("none.hex"), 121},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        registry.select(c.row);
        std::shared_ptr<hidsim::KbootBootloader> kboot;
        if (c.attach) {
            kboot = c.row == kKadoRow ? attachKboot(kKadoVid, kKadoPid) : attachKboot();
        }
        EXPECT_EQ(registry.installFirmware(c.file), c.code);
        if (kboot) {
            EXPECT_TRUE(kboot->reports.empty()) << "nothing is sent for a bad file";
        }
    }
}

TEST_F(InstallTest, NoKindOrNoChannelGivesOne) {
    DeviceRegistry empty;
    BootloaderChannel other{device, *image, empty};
    empty.attachBootloader(&other);
    attachKboot();
    EXPECT_EQ(empty.installFirmware(smallFirmware()), 1);
    EXPECT_FALSE(empty.bootloaderPresent());

    DeviceRegistry unwired;
    Catalogue rows{unwired};
    unwired.select(kMondrelRow);
    EXPECT_EQ(unwired.installFirmware(smallFirmware()), 1);
    EXPECT_FALSE(unwired.bootloaderPresent());
}

TEST_F(InstallTest, DataReportRefusedPartWayEndsThePhaseWithAnEmptyReport) {
    registry.select(kMondrelRow);
    auto kboot = attachKboot();
    kboot->refuseDataReport(5);
    EXPECT_EQ(registry.installFirmware(smallFirmware()), 48);

    std::vector<hidsim::Report> data;
    for (const auto& r : kboot->reports)
        if (r[0] == 2) data.push_back(r);
    ASSERT_EQ(data.size(), 6u) << "five reports, then the empty one";
    EXPECT_EQ(data.back(), bytes({0x02}, 36));
    EXPECT_EQ(progress.values.back(), 5 * 32 * 100 / 5000);
    EXPECT_FALSE(kboot->resetDone);
}

TEST_F(InstallTest, KbootSuccessWritesTheFileIntoFlash) {
    registry.select(kMondrelRow);
    auto kboot = attachKboot();
    const auto data = patternBytes(70000);
    EXPECT_EQ(registry.installFirmware(firmwareFile({{0, data}})), 0);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), kboot->flash.begin()));
    EXPECT_TRUE(std::all_of(kboot->flash.begin() + 70000, kboot->flash.end(),
                            [](std::uint8_t b) { return b == 0xFF; }));
    EXPECT_EQ(kboot->commandTags, (std::vector<std::uint32_t>{2, 4, 11}));
    EXPECT_TRUE(kboot->resetDone);
    EXPECT_EQ(progress.values.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.values.begin(), progress.values.end()));
}

// The programmed length runs to the highest written address + 1 with gaps as 0xFF, never the
// sum of the records' lengths, which would leave the end of a file with gaps unwritten.
TEST_F(InstallTest, ProgrammedLengthCoversTheWholeImage) {
    struct Case {
        const char* what;
        std::vector<HexChunk> chunks;
        std::uint32_t count;  // WriteMemory byte count
        std::uint32_t erase;  // erased bytes from 0
    };
    const Case cases[] = {
        {"empty file", {}, 0, 0},
        {"exactly one erase unit", {{0, patternBytes(4096)}}, 4096, 4096},
        {"one byte past an erase unit", {{0, patternBytes(4097)}}, 4097, 8192},
        {"a gap in the middle", {{0, patternBytes(16)}, {0x2000, patternBytes(16, 2)}}, 0x2010,
         0x3000},
        {"data starting above 0", {{0x1000, patternBytes(32, 3)}}, 0x1020, 0x2000},
        {"data beyond 64 KiB", {{0, patternBytes(16)}, {0x12340, patternBytes(16, 4)}}, 0x12350,
         0x13000},
    };
    registry.select(kMondrelRow);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        auto kboot = attachKboot();
        ASSERT_EQ(registry.installFirmware(firmwareFile(c.chunks)), 0);
        ASSERT_EQ(kboot->erases.size(), 1u);
        EXPECT_EQ(kboot->erases[0], std::make_pair(std::uint32_t{0}, c.erase));
        EXPECT_EQ(kboot->dataBytesReceived, c.count);
        std::vector<std::uint8_t> expected(kboot->flash.size(), 0xFF);
        for (const HexChunk& chunk : c.chunks)
            std::copy(chunk.bytes.begin(), chunk.bytes.end(), expected.begin() + chunk.address);
        EXPECT_TRUE(kboot->flash == expected);
    }
}

TEST_F(InstallTest, FirstStageSuccessWritesEveryBlockAndNeverOpensKboot) {
    registry.select(kKadoRow);
    auto loader = attachHalfKay();
    auto kboot = attachKboot(kKadoVid, kKadoPid);
    const auto data = patternBytes(1000);
    EXPECT_EQ(registry.installFirmware(firmwareFile({{0, data}})), 0);

    ASSERT_EQ(loader->blockAddresses.size(), 256u);
    for (std::uint32_t i = 0; i < 256; ++i) EXPECT_EQ(loader->blockAddresses[i], i * 1024);
    std::vector<std::uint8_t> expected(262144, 0xFF);
    std::copy(data.begin(), data.end(), expected.begin());
    EXPECT_TRUE(loader->memory == expected);
    EXPECT_TRUE(loader->booted);
    EXPECT_EQ(progress.values.back(), 99);
    EXPECT_EQ(hidsim::openCount(kKadoVid, kKadoPid), 0);
    EXPECT_TRUE(kboot->reports.empty());
}

TEST_F(InstallTest, FirstStageRefusingEverythingFallsBackToKboot) {
    registry.select(kKadoRow);
    auto loader = attachHalfKay();
    loader->refuseFirstWrites(-1);
    auto kboot = attachKboot(kKadoVid, kKadoPid);
    const auto data = patternBytes(3000);
    EXPECT_EQ(registry.installFirmware(firmwareFile({{0, data}})), 0);
    EXPECT_EQ(loader->reports.size(), 500u) << "the first block's budget is 500 attempts";
    EXPECT_EQ(channelSleptMs(), 5000);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), kboot->flash.begin()));
    EXPECT_TRUE(kboot->resetDone);
}

}  // namespace
}  // namespace zt::test
