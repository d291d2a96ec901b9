// installFirmware on both paths: every KBOOT result code from an injected fault, the programmed
// range of files with gaps, HalfKay blocks with their 0xFF filler, retry budgets and fall-back.
#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

using InstallTest = ChannelTest;
using FirstStageTest = ChannelTest;

TEST_F(InstallTest, EveryKbootFaultHasItsCode) {
    using F = Fault;
    const std::tuple<std::uint8_t, Fault, bool, int> cases[] = {  // tag, fault, final, code
        {2, F::NoAnswer, 0, 31}, {2, F::WrongReportId, 0, 31}, {2, F::ReadError, 0, 31},
        {2, F::LengthPastReport, 0, 31}, {2, F::NotGeneric, 0, 32}, {2, F::WrongEchoedTag, 0, 33},
        {2, F::ErrorStatus, 0, 34}, {4, F::NoAnswer, 0, 41}, {4, F::NotGeneric, 0, 42},
        {4, F::WrongEchoedTag, 0, 43}, {4, F::ErrorStatus, 0, 44}, {4, F::NoAnswer, 1, 45},
        {4, F::NotGeneric, 1, 46}, {4, F::WrongEchoedTag, 1, 47}, {4, F::ErrorStatus, 1, 48},
        {11, F::NoAnswer, 0, 51}, {11, F::NotGeneric, 0, 52}, {11, F::WrongEchoedTag, 0, 53},
        {11, F::ErrorStatus, 0, 54},
    };
    const std::string file = firmwareFile({{0, patternBytes(5000)}});
    for (const unsigned row : {kMondrelRow, kKadoRow}) {
        registry.select(row);
        for (const auto& [tag, fault, final, code] : cases) {
            SCOPED_TRACE(testing::Message() << "row " << row << ", code " << code);
            hidsim::detachAll();
            auto kboot = row == kKadoRow ? attach(kKadoVid, kKadoPid) : attach();
            kboot->failCommand(tag, fault, 1, final);
            // A first-stage kind tried its absent loader first: the hundreds say so.
            EXPECT_EQ(registry.installFirmware(file), (row == kKadoRow ? 100 : 0) + code);
            EXPECT_EQ(kboot->resetDone, code > 50) << "reset after a failed erase or write";
        }
    }
}

TEST_F(InstallTest, CodesBeforeAnyCommandAndNoByteForBadInput) {
    const std::string good = firmwareFile({{0, patternBytes(100)}});
    const std::tuple<unsigned, bool, std::string, int> cases[] = {  // row, attached, file, code
        {kMondrelRow, false, good, 11},
        {kKadoRow, false, good, 111},
        {kMondrelRow, true, folder.path("missing.hex"), 21},
        {kMondrelRow, true, folder.write("bad.hex", ":0100000041BF\n"), 21},
        {kKadoRow, true, folder.write("short.hex", ":10000000\n"), 121},
    };
    for (const auto& [row, attached, file, code] : cases) {
        SCOPED_TRACE(code);
        registry.select(row);
        hidsim::detachAll();
        auto loader = halfKay();
        auto kboot = row == kKadoRow ? attach(kKadoVid, kKadoPid) : attach();
        if (!attached) hidsim::detachAll();
        EXPECT_EQ(registry.installFirmware(file), code);
        EXPECT_TRUE(kboot->reports.empty() && loader->reports.empty()) << "a byte was sent";
    }
    DeviceRegistry empty;  // no kinds: the selected index lies outside the catalogue
    empty.attachBootloader(&channel);
    EXPECT_EQ(empty.installFirmware(good), 1);
}

TEST_F(InstallTest, DataReportRefusedPartWayEndsThePhaseWithAnEmptyReport) {
    registry.select(kMondrelRow);
    auto kboot = attach();
    kboot->refuseDataReport(5);
    EXPECT_EQ(registry.installFirmware(firmwareFile({{0, patternBytes(5000)}})), 48);
    ASSERT_EQ(kboot->reports.size(), 2u + 6u) << "five data reports, then the empty one";
    EXPECT_EQ(kboot->reports.back(), bytes({2}));
    EXPECT_EQ(progress.back(), 5 * 32 * 100 / 5000);
    EXPECT_FALSE(kboot->resetDone);
}

// The programmed range runs to the highest written address + 1 with gaps as 0xFF, never the sum
// of the records' lengths, which would leave the end of a file with gaps unwritten.
TEST_F(InstallTest, ProgrammedRangeCoversTheWholeImage) {
    // chunks, WriteMemory byte count, erased bytes from 0
    const std::tuple<std::vector<HexChunk>, std::uint32_t, std::uint32_t> cases[] = {
        {{}, 0, 0},
        {{{0, patternBytes(4096)}}, 4096, 4096},
        {{{0, patternBytes(16)}, {0x2000, patternBytes(16, 2)}}, 0x2010, 0x3000},
        {{{0, patternBytes(70000)}, {0x3FFF0, patternBytes(16, 4)}}, 0x40000, 0x40000},
    };
    registry.select(kMondrelRow);
    for (const auto& [chunks, count, erase] : cases) {
        SCOPED_TRACE(count);
        hidsim::detachAll();
        auto kboot = attach();
        ASSERT_EQ(registry.installFirmware(firmwareFile(chunks)), 0);
        EXPECT_EQ(kboot->reports[0], bytes({1, 0, 0x0C, 0, 2, 0, 0, 2, 0, 0, 0, 0, erase & 0xFF,
                                            erase >> 8 & 0xFF, erase >> 16 & 0xFF, erase >> 24}));
        EXPECT_EQ(kboot->reports.size(), 3u + (count + 31) / 32);
        std::vector<std::uint8_t> expected(kboot->flash.size(), 0xFF);
        for (const HexChunk& c : chunks)
            std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + c.address);
        EXPECT_TRUE(kboot->flash == expected);
    }
}

TEST_F(FirstStageTest, EveryBlockOnTheWireWithFillerAndNeverKboot) {
    registry.select(kKadoRow);
    auto loader = halfKay();
    const std::vector<HexChunk> chunks{{0, patternBytes(1000)}, {1024, patternBytes(1024, 2)},
                                       {0x3FC00, patternBytes(1024, 3)}};
    ASSERT_EQ(registry.installFirmware(firmwareFile(chunks)), 0);
    std::vector<std::uint8_t> memory(262144, 0xFF);
    for (const HexChunk& c : chunks)
        std::copy(c.bytes.begin(), c.bytes.end(), memory.begin() + c.address);
    const auto& r = loader->reports;
    ASSERT_EQ(r.size(), 257u);
    for (std::uint32_t i = 0; i < 256; ++i) {
        // The address bytes: 00 04 00 for 1024, 00 FC 03 for 0x3FC00.
        Bytes expected = bytes({0, 0, i * 4 & 0xFF, i >> 6}, 1089);
        std::copy_n(memory.begin() + i * 1024, 1024, expected.begin() + 65);
        ASSERT_EQ(r[i], expected) << "block " << i;
    }
    EXPECT_EQ(r[256], bytes({0, 0xFF, 0xFF, 0xFF}, 1089));
    EXPECT_EQ(progress.size(), 256u);
    EXPECT_EQ(progress.back(), 99);
    EXPECT_EQ(hidsim::openAttempts(kKadoVid, kKadoPid), 0) << "KBOOT was opened after success";
}

TEST_F(FirstStageTest, RetryBudgetsAndFallBack) {
    // first writes refused (-1 all), boot report refused, writes, ms slept, KBOOT written
    const std::tuple<int, bool, std::size_t, long long, bool> cases[] = {
        {499, false, 500 + 255 + 1, 4990, false},  // the 500th attempt is taken
        {0, true, 256 + 50, 500, false},           // the boot report's failure is not examined
        {-1, false, 500, 5000, true},              // 500 attempts, then KBOOT
    };
    const auto data = patternBytes(3000);
    const std::string file = firmwareFile({{0, data}});
    registry.select(kKadoRow);
    for (const auto& [refused, refuseBoot, writes, slept, kbootWritten] : cases) {
        SCOPED_TRACE(refused);
        hidsim::detachAll();
        sleptMs = 0;
        auto kboot = attach(kKadoVid, kKadoPid);
        auto loader = halfKay();
        loader->refuseFirstWrites = refused;
        loader->refuseBoot = refuseBoot;
        EXPECT_EQ(registry.installFirmware(file), 0);
        EXPECT_EQ(loader->reports.size(), writes);
        EXPECT_EQ(sleptMs, slept);
        EXPECT_EQ(std::equal(data.begin(), data.end(), kboot->flash.begin()), kbootWritten);
    }
}

// A block size that would never advance, or one larger than a report carries, sends nothing.
TEST_F(FirstStageTest, BlockSizesThatCannotBeSent) {
    auto loader = halfKay();
    const std::string file = firmwareFile({{0, patternBytes(100)}});
    for (const std::int32_t size : {0, -1024, 1026})
        EXPECT_EQ(channel.loadFirstStage(kLoaderVid, kLoaderPid, file, 262144, size), 1) << size;
    EXPECT_TRUE(loader->reports.empty());
}

}  // namespace
}  // namespace zt::test
