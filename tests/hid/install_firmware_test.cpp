// installFirmware on both paths: the code of every injected fault, the refusal of files that do
// not suit the device, the programmed range, HalfKay blocks, budgets and fall-back.
#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

using InstallTest = ChannelTest;
using FirstStageTest = ChannelTest;

// Each row a spoilt answer to one command (tag; `final`: WriteMemory's final response); a kind
// with a first stage tried its absent loader first, which the hundreds say.
TEST_F(InstallTest, EveryKbootFaultHasItsCode) {
    using F = Fault;
    const std::tuple<std::uint8_t, std::vector<Fault>, bool, int, int> rows[] = {
        // tag, faults, final, empty reports before the answer, code
        {2, {F::NoAnswer}, 0, 0, 31}, {2, {F::NotGeneric}, 0, 0, 32},
        {2, {F::WrongEchoedTag}, 0, 0, 33}, {2, {F::ErrorStatus}, 0, 0, 34},
        {4, {F::NoAnswer}, 0, 0, 41}, {4, {F::NotGeneric}, 0, 0, 42},
        {4, {F::WrongEchoedTag}, 0, 0, 43}, {4, {F::ErrorStatus}, 0, 0, 44},
        {4, {F::NoAnswer}, 1, 0, 45}, {4, {F::NotGeneric}, 1, 0, 46},
        {4, {F::WrongEchoedTag}, 1, 0, 47}, {4, {F::ErrorStatus}, 1, 0, 48},
        {4, {}, 1, 49, 0},  // a slow final response is still heard
        // The final response lost behind 50 empty reports that still hold the WriteMemory
        // command's acknowledgement: judging them would report success.
        {4, {}, 1, 50, 45},
        {11, {F::NoAnswer}, 0, 0, 51}, {11, {F::NotGeneric}, 0, 0, 52},
        {11, {F::WrongEchoedTag}, 0, 0, 53}, {11, {F::ErrorStatus}, 0, 0, 54},
    };
    const std::string file = firmware({{0, patternBytes(5000)}});
    for (const unsigned kind : {kMondrel, kKado}) {
        registry.select(kind);
        for (const auto& [tag, faults, final, empties, code] : rows) {
            SCOPED_TRACE(testing::Message() << "kind " << kind << ", code " << code);
            auto dev = kboot(kind);
            for (const Fault f : faults) dev->failCommand(tag, f, 1, final);
            dev->emptyReportsBefore(tag, empties, final);
            EXPECT_EQ(registry.installFirmware(file), code + (kind == kKado && code ? 100 : 0));
            EXPECT_EQ(dev->resetDone, code == 0 || code > 50) << "reset after a failed step";
        }
    }
}

// Faults: a device opened, erased or written for a file that cannot be read or does not suit it,
// or a refusal that shows another step's code.
TEST_F(InstallTest, CodesBeforeAnythingIsSent) {
    const std::string good = firmware({{0, patternBytes(100)}});
    const std::string noZero = folder.write("z.hex", hexFile({{1, patternBytes(100)}}));
    const std::string tooLong = folder.write("l.hex", hexFile({{0, patternBytes(0x40001)}}));
    const std::tuple<unsigned, bool, bool, std::string, int> rows[] = {
        // kind, first-stage loader attached, KBOOT attached, file, code
        {kMondrel, false, false, good, 11},
        {kKado, false, false, good, 111},
        {kMondrel, false, true, folder.path("missing.hex"), 21},
        {kMondrel, false, true, folder.write("bad.hex", ":0100000041BF\n"), 21},
        {kKado, true, true, folder.write("short.hex", ":10000000\n"), 121},
        {kMondrel, false, true, folder.write("e.hex", ":00000001FF\n"), 25},
        {kMondrel, false, true, noZero, 25},
        {kKado, true, true, noZero, 25},   // the KBOOT path would only refuse it too
        {kKado, false, true, noZero, 125},
        {kKado, true, true, tooLong, 26},  // one byte at the code size
    };
    for (const auto& [kind, loader, attached, file, code] : rows) {
        SCOPED_TRACE(code);
        registry.select(kind);
        auto dev = kboot(kind);
        auto halfKayLoader = halfKay();
        if (!loader) hidsim::detach(halfKayLoader);
        if (!attached) hidsim::detach(dev);
        EXPECT_EQ(registry.installFirmware(file), code);
        EXPECT_TRUE(dev->reports.empty() && halfKayLoader->reports.empty()) << "a byte was sent";
    }
    DeviceRegistry empty;  // no kinds: the selected index lies outside the catalogue
    empty.attachBootloader(&channel);
    EXPECT_EQ(empty.installFirmware(good), 1);
}

TEST_F(InstallTest, DataReportRefusedPartWayEndsThePhaseWithAnEmptyReport) {
    registry.select(kMondrel);
    auto dev = kboot();
    dev->refusedDataReport = 5;
    EXPECT_EQ(registry.installFirmware(firmware({{0, patternBytes(5000)}})), 48);
    ASSERT_EQ(dev->reports.size(), 2u + 6u) << "five data reports, then the empty one";
    EXPECT_EQ(dev->reports.back(), bytes({2}));
    EXPECT_EQ(progress.back(), 5 * 32 * 100 / 5000);
}

// Fault: programming the sum of the records' lengths, which leaves the end of a file with gaps
// erased and unwritten.
TEST_F(InstallTest, ProgrammedRangeRunsToTheHighestByte) {
    // chunks, WriteMemory byte count, erased bytes from 0
    const std::tuple<std::vector<HexChunk>, std::uint32_t, std::uint32_t> rows[] = {
        {{{0, patternBytes(4096)}}, 4096, 4096},
        {{{0, patternBytes(16)}, {0x2000, patternBytes(16, 2)}}, 0x2010, 0x3000},
        {{{0, patternBytes(7000)}, {0x3FFF0, patternBytes(16, 4)}}, 0x40000, 0x40000},
    };
    registry.select(kMondrel);
    for (const auto& [chunks, count, erase] : rows) {
        SCOPED_TRACE(count);
        auto dev = kboot();
        ASSERT_EQ(registry.installFirmware(firmware(chunks)), 0);
        EXPECT_EQ(dev->reports[0], bytes({1, 0, 12, 0, 2, 0, 0, 2, 0, 0, 0, 0, erase & 0xFF,
                                          erase >> 8 & 0xFF, erase >> 16}));
        EXPECT_EQ(dev->reports.size(), 3u + (count + 31) / 32);
        std::vector<std::uint8_t> expected(dev->flash.size(), 0xFF);
        for (const HexChunk& c : chunks)
            std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + c.address);
        EXPECT_TRUE(dev->flash == expected);
    }
}

// Faults: a block's address, filler or length, a time-out, the boot report, the progress, or a
// KBOOT device opened after a first stage that worked.
TEST_F(FirstStageTest, EveryBlockOnTheWireAndNeverKboot) {
    registry.select(kKado);
    auto loader = halfKay();
    const std::vector<HexChunk> chunks{{0, patternBytes(1000)}, {1024, patternBytes(1024, 2)},
                                       {0x3FC00, patternBytes(1024, 3)}};
    ASSERT_EQ(registry.installFirmware(firmware(chunks)), 0);
    std::vector<std::uint8_t> memory(0x40000, 0xFF);
    for (const HexChunk& c : chunks)
        std::copy(c.bytes.begin(), c.bytes.end(), memory.begin() + c.address);
    const auto& r = loader->reports;
    ASSERT_EQ(r.size(), 257u);
    for (std::uint32_t i = 0; i < 256; ++i) {
        Bytes expected = bytes({0, 0, i * 4 & 0xFF, i >> 6}, 1089);  // 1024: 00 04 00
        std::copy_n(memory.begin() + i * 1024, 1024, expected.begin() + 65);
        ASSERT_EQ(r[i], expected) << "block " << i;
    }
    EXPECT_EQ(r[256], bytes({0, 0xFF, 0xFF, 0xFF}, 1089));
    std::vector<int> timeouts(257, 500);
    timeouts[0] = 5000;
    EXPECT_EQ(loader->timeouts(Call::Write), timeouts);
    EXPECT_EQ(progress.size(), 256u);
    EXPECT_EQ(progress.back(), 99);
    EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815B), 0);
}

// Each attempt may wait for what the 10 ms pauses left of the budget (5000 ms first, 500 after).
TEST_F(FirstStageTest, RetryBudgetsAndFallBack) {
    // writes refused first (-1: all), boot report refused, writes, ms slept, KBOOT written
    const std::tuple<int, bool, std::size_t, long long, bool> rows[] = {
        {499, false, 500 + 255 + 1, 4990, false},  // the 500th attempt is taken
        {0, true, 256 + 50, 500, false},           // the boot report's failure is not examined
        {-1, false, 500, 5000, true},              // 500 attempts, then KBOOT
    };
    const auto data = patternBytes(3000);
    const std::string file = firmware({{0, data}});
    registry.select(kKado);
    for (const auto& [refused, refuseBoot, writes, slept, kbootWritten] : rows) {
        SCOPED_TRACE(refused);
        sleptMs = 0;
        auto dev = kboot(kKado);
        auto loader = halfKay();
        loader->refuseFirstWrites = refused;
        loader->refuseBoot = refuseBoot;
        EXPECT_EQ(registry.installFirmware(file), 0);
        EXPECT_EQ(loader->reports.size(), writes);
        EXPECT_EQ(sleptMs, slept);
        EXPECT_EQ(std::equal(data.begin(), data.end(), dev->flash.begin()), kbootWritten);
        const auto timeouts = loader->timeouts(Call::Write);
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ(timeouts[i], i <= std::size_t(refused) ? 5000 - 10 * int(i) : 500) << i;
    }
}

// Faults: a block size that never advances, or one past the largest report, sent; the largest
// (1025, a report of 1090 bytes) refused.
TEST_F(FirstStageTest, BlockSizes) {
    const std::string file = firmware({{0, patternBytes(100)}});
    for (const std::int32_t size : {0, -1024, 1026, 1025}) {
        auto loader = halfKay(1025);
        EXPECT_EQ(channel.loadFirstStage(0x16C0, 0x0478, file, 2050, size), size == 1025 ? 0 : 1);
        EXPECT_EQ(loader->reports.size(), size == 1025 ? 3u : 0u) << size;
        hidsim::detachAll();
    }
}

}  // namespace
}  // namespace zt::test
