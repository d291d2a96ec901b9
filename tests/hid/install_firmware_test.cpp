// installFirmware on both paths: the code of every injected fault, files that do not suit the
// device, the programmed range, HalfKay blocks, retry budgets and the fall-back to KBOOT.
#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

using InstallTest = ChannelTest;
using FirstStageTest = ChannelTest;

// A spoilt answer to each step; the order of the verdicts is the packet layer's own test.
TEST_F(InstallTest, EveryKbootStepHasItsCode) {
    const std::tuple<std::uint8_t, std::vector<Fault>, bool, int, int> rows[] = {
        // tag, faults, final (WriteMemory's final response), empty reports first, code
        {2, {Fault::NoAnswer}, 0, 0, 31}, {4, {Fault::ErrorStatus}, 0, 0, 44},
        {4, {Fault::WrongEchoedTag}, 1, 0, 47}, {11, {Fault::NotGeneric}, 0, 0, 52},
        {4, {}, 1, 49, 0},  // a slow final response is still heard
        // The final response lost behind 50 empty reports that still hold the WriteMemory
        // command's acknowledgement: judged, they would pass for success.
        {4, {}, 1, 50, 45},
    };
    const std::string file = firmware({{0, patternBytes(5000)}});
    registry.select(kMondrel);
    for (const auto& [tag, faults, final, empties, code] : rows) {
        SCOPED_TRACE(code);
        auto dev = kboot();
        for (const Fault f : faults) dev->failCommand(tag, f, 1, final);
        dev->emptyReportsBefore(tag, empties, final);
        EXPECT_EQ(registry.installFirmware(file), code);
        EXPECT_EQ(dev->resetDone, code == 0 || code > 50) << "reset after a failed step";
    }
}

// Faults: a device opened, erased or written for a file that cannot be read or does not suit it,
// or a refusal that shows another step's code.
TEST_F(InstallTest, CodesBeforeAnythingIsSent) {
    const std::string good = firmware({{0, patternBytes(100)}});
    const std::string noZero = firmware({{1, patternBytes(100)}}, "z.hex");
    const std::tuple<unsigned, bool, bool, std::string, int> rows[] = {
        // kind, first-stage loader attached, KBOOT attached, file, code
        {kMondrel, false, false, good, 11}, {kKado, false, false, good, 111},
        {kMondrel, false, true, folder.path("missing.hex"), 21},
        {kMondrel, false, true, folder.write("bad.hex", ":0100000041BF\n"), 21},
        {kKado, true, true, folder.write("short.hex", ":10000000\n"), 121},
        {kMondrel, false, true, folder.write("e.hex", ":00000001FF\n"), 25},
        {kMondrel, false, true, noZero, 25}, {kKado, false, true, noZero, 125},
        {kKado, true, true, noZero, 25},  // final: the KBOOT path would refuse it too
        {kKado, true, true, firmware({{0, patternBytes(0x40001)}}, "l.hex"), 26},
    };
    for (const auto& [kind, loader, attached, file, code] : rows) {
        SCOPED_TRACE(code);
        registry.select(kind);
        auto dev = kboot(kind);
        auto first = halfKay();
        if (!loader) hidsim::detach(first);
        if (!attached) hidsim::detach(dev);
        EXPECT_EQ(registry.installFirmware(file), code);
        EXPECT_TRUE(dev->reports.empty() && first->reports.empty()) << "a byte was sent";
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

// Faults: any byte or time-out other than the protocol's (writes 1000 ms, command answers 3000 ms,
// the final response 10000 ms); programming the sum of the records' lengths, which leaves the end
// of a file with gaps erased and unwritten; erasing less than whole units.
TEST_F(InstallTest, OnTheWireTheWholeImage) {
    // chunks, WriteMemory byte count, erased bytes from 0
    const std::tuple<std::vector<HexChunk>, std::uint32_t, std::uint32_t> rows[] = {
        {{{0, patternBytes(4097)}}, 4097, 8192},
        {{{0, patternBytes(4096)}}, 4096, 4096},
        {{{0, patternBytes(16)}, {0x2000, patternBytes(16, 2)}}, 0x2010, 0x3000},
        {{{0, patternBytes(7000)}, {0x3FFF0, patternBytes(16, 4)}}, 0x40000, 0x40000},
    };
    registry.select(kMondrel);
    for (const auto& [chunks, count, erase] : rows) {
        SCOPED_TRACE(count);
        auto dev = kboot();
        progress.clear();
        ASSERT_EQ(registry.installFirmware(firmware(chunks)), 0);
        std::vector<std::uint8_t> flash(dev->flash.size(), 0xFF);
        for (const HexChunk& c : chunks)
            std::copy(c.bytes.begin(), c.bytes.end(), flash.begin() + c.address);
        EXPECT_TRUE(dev->flash == flash);
        const auto& r = dev->reports;
        const unsigned last = (count - 1) % 32 + 1;
        ASSERT_EQ(r.size(), 3u + (count + 31) / 32);
        EXPECT_EQ(r[0], bytes({1, 0, 12, 0, 2, 0, 0, 2, 0, 0, 0, 0, 0, erase >> 8, erase >> 16}));
        EXPECT_EQ(r[1], bytes({1, 0, 12, 0, 4, 1, 0, 2, 0, 0, 0, 0, count & 0xFF, count >> 8,
                               count >> 16}));
        EXPECT_EQ(Bytes(r[2].begin(), r[2].begin() + 4), (Bytes{2, 0, 32, 0}));
        Bytes tail = bytes({2, 0, last, 0});  // the last chunk, zero-padded
        std::copy_n(flash.begin() + count - last, last, tail.begin() + 4);
        EXPECT_EQ(r[r.size() - 2], tail);
        EXPECT_EQ(r.back(), bytes({1, 0, 12, 0, 11, 0, 0, 2}));
        EXPECT_EQ(dev->timeouts(Call::Read), (std::vector<int>{3000, 3000, 10000, 3000}));
        EXPECT_EQ(dev->timeouts(Call::Write), std::vector<int>(r.size(), 1000));
        EXPECT_EQ(progress.back(), 100);
    }
}

// Faults: a block's address, filler or length; an attempt's time-out other than what the 10 ms
// pauses left of its budget (5000 ms for the first block, 500 after); the boot report; the
// progress; KBOOT opened after a first stage that worked, or not after one that ran out.
TEST_F(FirstStageTest, BlocksBudgetsAndFallBack) {
    // writes refused first (-1: all), boot report refused, writes, ms slept
    const std::tuple<int, bool, std::size_t, long long> rows[] = {
        {0, false, 256 + 1, 0},
        {499, false, 500 + 255 + 1, 4990},  // the 500th attempt is taken
        {0, true, 256 + 50, 500},           // the boot report's failure is not examined
        {-1, false, 500, 5000},             // 500 attempts, then KBOOT
    };
    const std::vector<HexChunk> chunks{{0, patternBytes(1000)}, {1024, patternBytes(1024, 2)},
                                       {0x3FC00, patternBytes(1024, 3)}};
    const std::string file = firmware(chunks);
    std::vector<std::uint8_t> memory(0x40000, 0xFF);
    for (const HexChunk& c : chunks)
        std::copy(c.bytes.begin(), c.bytes.end(), memory.begin() + c.address);
    registry.select(kKado);
    for (const auto& [refused, refuseBoot, writes, slept] : rows) {
        SCOPED_TRACE(refused);
        sleptMs = 0;
        progress.clear();
        auto dev = kboot(kKado);
        auto loader = halfKay();
        loader->refuseFirstWrites = refused;
        loader->refuseBoot = refuseBoot;
        EXPECT_EQ(registry.installFirmware(file), 0);
        EXPECT_EQ(loader->reports.size(), writes);
        EXPECT_EQ(sleptMs, slept);
        EXPECT_EQ(loader->memory == memory, refused >= 0);
        EXPECT_EQ(dev->flash == memory, refused < 0);
        EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815B), refused < 0 ? 1 : 0);
        const auto timeouts = loader->timeouts(Call::Write);
        for (std::size_t i = 0; i < 256; ++i)
            ASSERT_EQ(timeouts[i], i <= std::size_t(refused) ? 5000 - 10 * int(i) : 500) << i;
        if (refused != 0) continue;
        for (std::uint32_t i = 0; i < 256; ++i) {
            Bytes block = bytes({0, 0, i * 4 & 0xFF, i >> 6}, 1089);  // 1024: 00 04 00
            std::copy_n(memory.begin() + i * 1024, 1024, block.begin() + 65);
            ASSERT_EQ(loader->reports[i], block) << "block " << i;
        }
        EXPECT_EQ(loader->reports[256], bytes({0, 0xFF, 0xFF, 0xFF}, 1089));
        EXPECT_EQ(timeouts[256], 500);
        EXPECT_EQ(progress.size(), 256u);
        EXPECT_EQ(progress.back(), 99);
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
