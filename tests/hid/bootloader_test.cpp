// The bootloader channel over emulated loaders: every kind of answer, the probe, both update paths.
#include <gtest/gtest.h>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "devices/progress_sink.h"
#include "hid/bootloader_channel.h"
#include "hidsim/halfkay_loader.h"
#include "hidsim/kboot_bootloader.h"
#include "platform/sleep.h"
#include "support/hex_text.h"

namespace zt::test {
namespace {

using Bytes = std::vector<unsigned char>;
using F = hidsim::KbootBootloader::Fault;
long long sleptMs = 0;
constexpr unsigned kKado = 0;     // first stage at 16C0:0478, then KBOOT at 1FC9:815B
constexpr unsigned kMondrel = 5;  // KBOOT only, at 16D0:0EA1

Bytes bytes(std::initializer_list<unsigned> head) {  // zero-padded to a report's 36 bytes
    Bytes r(36, 0);
    std::copy(head.begin(), head.end(), r.begin());
    return r;
}

// Nothing here closes a handle: the open-handle check must see every one the code leaves open.
class ChannelTest : public ::testing::Test, ProgressSink {
protected:
    void SetUp() override {
        setSleepHook([](int ms) { sleptMs += ms; });
        registry.setProgressSink(this);
        registry.attachBootloader(&channel);
    }
    void advanceProgress(int percentage) override { progress.push_back(percentage); }

    // A KBOOT bootloader at the ids of `kind`, alone in the world.
    std::shared_ptr<hidsim::KbootBootloader> kboot(unsigned kind = kMondrel) {
        hidsim::detachAll();
        auto dev = std::make_shared<hidsim::KbootBootloader>(0x40000);
        hidsim::attach(registry.row(kind).vendorId, registry.row(kind).productId, dev);
        return dev;
    }
    std::shared_ptr<hidsim::HalfKayLoader> halfKay(std::uint32_t blockSize = 1024) {
        auto dev = std::make_shared<hidsim::HalfKayLoader>(0x40000, blockSize);
        hidsim::attach(0x16C0, 0x0478, dev);
        return dev;
    }
    // A hex file of `chunks`; `flash` becomes what it leaves in a loader's 256 KiB.
    std::string firmware(const std::vector<HexChunk>& chunks, const char* name = "fw.hex") {
        flash.assign(0x40000, 0xFF);
        for (const HexChunk& c : chunks) std::ranges::copy(c.bytes, flash.begin() + c.address);
        return folder.write(name, hexFile(chunks));
    }

    ScratchFolder folder;
    std::vector<int> progress;
    std::vector<std::uint8_t> flash;
    DeviceRegistry registry;
    Catalogue catalogue{registry};
    ActiveDevice device;
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    BootloaderChannel channel{device, *image, registry};
};

// Any answer counts, whatever its tag and status; none, or a property without a text: false, "".
TEST_F(ChannelTest, PropertyTextsAndTheProbe) {
    const std::pair<std::uint64_t, const char*> sizes[] = {
        {0, "0 bytes"}, {1023, "1023 bytes"}, {1024, "1 KB"}, {1536, "1.500 KB"},
        {1048575, "1023.999 KB"}, {1048576, "1 MB"}, {1572864, "1.500 MB"},
        {1073741823, "1024.000 MB"}, {1073741824, "1 GB"}, {1610612736, "1.500 GB"}};
    for (const auto& [size, text] : sizes) EXPECT_EQ(formatByteSize(size), text) << size;
    const std::tuple<std::uint32_t, std::vector<F>, const char*> rows[] = {
        {1, {}, "Bootlader Version = K2.1.0"}, {5, {F::NoAnswer}, ""}, {2, {}, ""},
        {3, {F::NotGeneric}, "Flash Start Address = 0x00000000"},
        {4, {F::ErrorStatus}, "Flash Size = 256 KB"},  // property 5: in the probe's text below
    };
    for (const auto& [property, faults, text] : rows) {
        auto dev = kboot();
        for (const F f : faults) dev->failCommand(7, f);
        ASSERT_TRUE(device.open(0x16D0, 0x0EA1));
        std::string got = "stale";
        EXPECT_EQ(channel.getPropertyText(property, got), *text != '\0') << property << text;
        EXPECT_EQ(got, text);
        device.close();
    }
    // The probe. Faults: another order of questions, a question after the first silence, a
    // description made from other properties or changed by a failed probe.
    for (int silent = 1; silent <= 5; ++silent) {  // 5: every question answered
        auto dev = kboot();
        dev->failCommand(7, F::NoAnswer, silent);
        std::string description = "unchanged";
        EXPECT_EQ(channel.probeBootloader(0x16D0, 0x0EA1, description), silent == 5);
        std::string asked;
        for (const Bytes& r : dev->reports) asked += char('0' + r[8]);
        EXPECT_EQ(asked, std::string("1435").substr(0, silent));
        EXPECT_EQ(description, silent < 5 ? "unchanged"
                          : "Flash Start Address = 0x00000000 ; Flash Sector Size = 4 KB");
    }
}

// The selected kind's loaders, probed at its ids only; a file that does not suit, refused before
// anything is sent. Faults: another kind's ids probed, KBOOT probed after a loader was found, a
// leaked handle; a byte sent for a file that does not suit; another step's code shown.
TEST_F(ChannelTest, TheSelectedKindsLoaders) {
    const std::string good = firmware({{0, patternBytes(100)}});
    const std::string noZero = firmware({{1, patternBytes(100)}}, "z.hex");
    // kind, first-stage loader attached, KBOOT attached, found, file, code
    const std::tuple<unsigned, bool, bool, bool, std::string, int> rows[] = {
        {kMondrel, false, false, false, good, 11}, {kKado, false, false, false, good, 111},
        {kMondrel, true, false, false, good, 11},  // the first stage is not Mondrel's
        {1, true, true, false, noZero, 25},        // a kind without loaders probes nothing
        {kMondrel, false, true, true, folder.write("bad.hex", ":0100000041BF\n"), 21},
        {kKado, true, true, true, folder.write("short.hex", ":10000000\n"), 121},
        {kMondrel, false, true, true, folder.write("e.hex", ":00000001FF\n"), 25},
        {kKado, true, true, true, folder.path("e.hex"), 25},  // empty: read, but no start code
        {kMondrel, false, true, true, noZero, 25}, {kKado, false, true, true, noZero, 125},
        {kKado, true, true, true, noZero, 25},  // final: the KBOOT path would refuse it too
        {kKado, true, true, true, folder.write("l.hex", hexFile({{0, patternBytes(0x40001)}})), 26},
    };
    for (const auto& [kind, loader, attached, found, file, code] : rows) {
        SCOPED_TRACE(testing::Message() << kind << loader << attached << code);
        registry.select(kind);
        auto dev = kboot(kind);
        auto first = halfKay();
        if (!loader) hidsim::detach(first);
        if (!attached) hidsim::detach(dev);
        EXPECT_EQ(registry.bootloaderPresent(), found);
        EXPECT_EQ(hidsim::takeOpenHandles(), 0);  // the next open would hide a leak
        EXPECT_EQ(hidsim::openAttempts(0x16C0, 0x0478), kind == kKado ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815B), kind == kKado && !loader ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(0x16D0, 0x0EA1), kind == kMondrel ? 1 : 0);
        dev->reports.clear();  // the probe's questions
        EXPECT_EQ(registry.installFirmware(file), code);
        EXPECT_TRUE(dev->reports.empty() && first->reports.empty()) << "a byte was sent";
    }
    DeviceRegistry empty;  // no kinds: the selected index lies outside the catalogue
    empty.attachBootloader(&channel);
    EXPECT_EQ(empty.installFirmware(good), 1);
    EXPECT_FALSE(empty.bootloaderPresent());
    registry.attachBootloader(nullptr);  // a kind selected, but no channel to ask
    EXPECT_FALSE(registry.bootloaderPresent());
}

// A spoilt answer to each step. Faults: a read error, a time-out or a length past the bytes read
// taken as an answer; the report id, tag, echo or status not looked at, or judged in another
// order; fewer than 49 empty reports skipped, or the 50th judged; a reset after a failed step.
TEST_F(ChannelTest, EveryKbootStepHasItsCode) {
    // tag, faults, of its n-th answer (WriteMemory's final response: 2), empty reports first, code
    const std::tuple<std::uint8_t, std::vector<F>, int, int, int> rows[] = {
        {2, {F::NoAnswer}, 1, 0, 31}, {4, {F::ErrorStatus}, 1, 0, 44},
        {4, {F::WrongEchoedTag}, 2, 0, 47}, {11, {F::NoAnswer}, 1, 0, 51},
        {11, {F::ReadError}, 1, 0, 51}, {11, {F::WrongReportId}, 1, 0, 51},
        {11, {F::LengthPastReport}, 1, 0, 51},
        {11, {F::NotGeneric, F::WrongEchoedTag, F::ErrorStatus}, 1, 0, 52},
        {11, {F::WrongEchoedTag, F::ErrorStatus}, 1, 0, 53}, {11, {F::ErrorStatus}, 1, 0, 54},
        {4, {}, 2, 49, 0},   // a slow final response is still heard
        {4, {}, 2, 50, 45},  // the 50th empty report judged, or more skipped
    };
    const std::string file = firmware({{0, patternBytes(5000)}});
    registry.select(kMondrel);
    for (const auto& [tag, faults, answer, empties, code] : rows) {
        auto dev = kboot();
        for (const F f : faults) dev->failCommand(tag, f, answer);
        dev->emptyReportsBefore[{tag, answer}] = empties;
        EXPECT_EQ(registry.installFirmware(file), code) << faults.size() << ' ' << empties;
        EXPECT_EQ(dev->resetDone, code == 0 || code > 50) << "reset after a failed step " << code;
    }
    auto dev = kboot();
    dev->refusedDataReport = 5;
    EXPECT_EQ(registry.installFirmware(file), 48);  // the empty report ends the phase at once
    EXPECT_EQ(progress.back(), 5 * 32 * 100 / 5000);
    // On a read that follows a read, an empty report ends it at once.
    kboot()->emptyReportsBefore[{11, 1}] = 51;
    ASSERT_TRUE(device.open(0x16D0, 0x0EA1));
    EXPECT_FALSE(channel.packets().sendCommand(11, 0, 0, 0));
    EXPECT_FALSE(channel.packets().readResponse(3000, Phase::Command));
    device.close();
}

// Faults: any byte or time-out other than the protocol's; programming the sum of the records'
// lengths, which leaves a file with gaps cut short; erasing less than whole units.
TEST_F(ChannelTest, OnTheWireTheWholeImage) {
    // chunks, WriteMemory byte count, erased bytes from 0
    const std::tuple<std::vector<HexChunk>, std::uint32_t, std::uint32_t> rows[] = {
        {{{0, patternBytes(4097)}}, 4097, 8192},
        {{{0, patternBytes(4096)}}, 4096, 4096},
        {{{0, patternBytes(16)}, {0x2000, patternBytes(16, 2)}}, 0x2010, 0x3000},
    };
    registry.select(kMondrel);
    for (const auto& [chunks, count, erase] : rows) {
        SCOPED_TRACE(count);
        auto dev = kboot();
        ASSERT_EQ(registry.installFirmware(firmware(chunks)), 0);
        EXPECT_TRUE(dev->flash == flash);
        const auto& r = dev->reports;
        EXPECT_EQ(r[0], bytes({1, 0, 12, 0, 2, 0, 0, 2, 0, 0, 0, 0, 0, erase >> 8, erase >> 16}));
        EXPECT_EQ(r[1], bytes({1, 0, 12, 0, 4, 1, 0, 2, 0, 0, 0, 0, count & 0xFF, count >> 8,
                               count >> 16}));
        EXPECT_EQ(r.back(), bytes({1, 0, 12, 0, 11, 0, 0, 2}));
        EXPECT_EQ(dev->timeouts(hidsim::Call::Read), (std::vector<int>{3000, 3000, 10000, 3000}));
        EXPECT_EQ(dev->timeouts(hidsim::Call::Write), std::vector(3 + (count + 31) / 32, 1000));
        EXPECT_EQ(progress.back(), 100);
    }
}

// Faults: a block's address, header, filler, length or size; an attempt's time-out other than what
// the 10 ms pauses left of its budget (5000 ms for the first block, 500 after); the boot report;
// the progress; KBOOT used after a first stage that worked, or not after one that ran out.
TEST_F(ChannelTest, FirstStageBlocksBudgetsAndFallBack) {
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
        EXPECT_EQ(loader->memory == flash, refused >= 0);
        EXPECT_EQ(dev->flash == flash, refused < 0);
        const auto timeouts = loader->timeouts(hidsim::Call::Write);
        for (std::size_t i = 0; i <= 256; ++i)  // 256: the boot report after the blocks
            ASSERT_EQ(timeouts[i], i <= std::size_t(refused) ? 5000 - 10 * int(i) : 500) << i;
        EXPECT_EQ(progress.size() == 256 && progress.back() == 99, refused >= 0);
    }
    // Block sizes that never advance, or past the largest report (1025 makes one of 1090 bytes).
    const std::string small = firmware({{0, patternBytes(100)}});
    hidsim::detachAll();
    auto loader = halfKay(1025);
    for (const std::int32_t size : {0, -1024, 1026, 1025})
        EXPECT_EQ(channel.loadFirstStage(0x16C0, 0x0478, small, 2050, size), size == 1025 ? 0 : 1);
    EXPECT_EQ(loader->reports.size(), 3u) << "sent for a size refused";
}

}  // namespace
}  // namespace zt::test
