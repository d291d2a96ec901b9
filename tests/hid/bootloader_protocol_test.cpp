// The KBOOT packet layer and probe: reports and time-outs on the wire, the verdict on every kind of
// answer, the property texts, the probe's questions, which probes run for which kind.
#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

using PacketTest = ChannelTest;
using ProbeTest = ChannelTest;

// Fault: any byte of a command or data report, or any time-out, other than the protocol's (a
// write not given 1000 ms, a command answer not 3000 ms, the final response not 10000 ms).
TEST_F(PacketTest, WholeUpdateOnTheWireWithItsTimeOuts) {
    registry.select(kMondrel);
    auto dev = kboot();
    const auto data = patternBytes(4097);
    ASSERT_EQ(registry.installFirmware(firmware({{0, data}})), 0);
    const auto& r = dev->reports;
    ASSERT_EQ(r.size(), 132u);
    EXPECT_EQ(r[0], bytes({1, 0, 12, 0, 2, 0, 0, 2, 0, 0, 0, 0, 0, 0x20}));  // two erase units
    EXPECT_EQ(r[1], bytes({1, 0, 12, 0, 4, 1, 0, 2, 0, 0, 0, 0, 0x01, 0x10}));
    EXPECT_EQ(Bytes(r[2].begin(), r[2].begin() + 4), (Bytes{2, 0, 0x20, 0}));
    EXPECT_EQ(r[130], bytes({2, 0, 1, 0, data[4096]}));  // the short last chunk, zero-padded
    EXPECT_EQ(r[131], bytes({1, 0, 12, 0, 11, 0, 0, 2}));
    EXPECT_EQ(dev->timeouts(Call::Read), (std::vector<int>{3000, 3000, 10000, 3000}));
    EXPECT_EQ(dev->timeouts(Call::Write), std::vector<int>(132, 1000));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), dev->flash.begin()));
    EXPECT_EQ(progress.back(), 100);
}

// Reset's answer, spoilt as each row says: resetDevice's code (50 + checkResponse's verdict) and
// the reads it took, each of 3000 ms.
TEST_F(PacketTest, VerdictOnEveryKindOfAnswer) {
    using F = Fault;
    const struct {
        const char* fault;  // what a wrong result would reveal
        std::vector<Fault> faults;
        int empties;
        int code;
        int reads;
    } rows[] = {
        {"a good answer refused", {}, 0, 0, 1},
        {"a time-out retried, or taken as an answer", {F::NoAnswer}, 0, 51, 1},
        {"a read error taken as an answer", {F::ReadError}, 0, 51, 1},
        {"the report id not looked at", {F::WrongReportId}, 0, 51, 1},
        {"a length past the bytes read accepted", {F::LengthPastReport}, 0, 51, 1},
        {"echo or status judged before the tag", {F::NotGeneric, F::WrongEchoedTag, F::ErrorStatus},
         0, 52, 1},
        {"status judged before the echo", {F::WrongEchoedTag, F::ErrorStatus}, 0, 53, 1},
        {"the status not looked at", {F::ErrorStatus}, 0, 54, 1},
        {"fewer than 49 empty reports skipped", {}, 49, 0, 50},
        {"more than 49 skipped, or the 50th judged as an answer", {}, 50, 51, 50},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        auto dev = kboot();
        for (const Fault f : row.faults) dev->failCommand(11, f);
        dev->emptyReportsBefore(11, row.empties);
        ASSERT_TRUE(device.open(0x16D0, 0x0EA1));
        EXPECT_EQ(channel.resetDevice(), row.code);
        EXPECT_EQ(dev->timeouts(Call::Read), std::vector<int>(row.reads, 3000));
        device.close();
    }
}

// Fault: empty reports skipped on a read that follows a read, as if a write had come between.
TEST_F(PacketTest, AnEmptyReportEndsAReadThatFollowsARead) {
    kboot()->emptyReportsBefore(11, 51);
    ASSERT_TRUE(device.open(0x16D0, 0x0EA1));
    EXPECT_FALSE(channel.packets().sendCommand(11, 0, 0, 0));  // 50 empty reports
    EXPECT_FALSE(channel.packets().readResponse(3000, Phase::Command));  // the 51st, at once
    EXPECT_TRUE(channel.packets().readResponse(3000, Phase::Command));
    device.close();
}

TEST_F(ProbeTest, ByteSizeTexts) {
    const std::pair<std::uint64_t, const char*> rows[] = {
        {0, "0 bytes"}, {1023, "1023 bytes"}, {1024, "1 KB"}, {1536, "1.500 KB"},
        {1048575, "1023.999 KB"}, {1048576, "1 MB"}, {1572864, "1.500 MB"},
        {1073741823, "1024.000 MB"}, {1073741824, "1 GB"}, {1610612736, "1.500 GB"},
    };
    for (const auto& [size, text] : rows) EXPECT_EQ(formatByteSize(size), text) << size;
}

// Any answer counts, whatever its tag and status; no answer, an empty one and a property without
// a text give false and "".
TEST_F(ProbeTest, PropertyTexts) {
    const struct {
        std::uint32_t property;
        std::uint32_t value;
        std::vector<Fault> faults;
        int empties;
        const char* text;
    } rows[] = {
        {1, 0x4B020100, {}, 0, "Bootlader Version = K2.1.0"},
        {3, 0xA000BC, {Fault::NotGeneric}, 0, "Flash Start Address = 0x00A000BC"},
        {4, 0x180000, {Fault::ErrorStatus}, 0, "Flash Size = 1.500 MB"},
        {5, 1024, {}, 0, "Flash Sector Size = 1 KB"},
        {5, 1024, {Fault::NoAnswer}, 0, ""},
        {5, 1024, {Fault::WrongReportId}, 0, ""},
        {5, 1024, {}, 50, ""},
        {2, 1024, {}, 0, ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        auto dev = kboot();
        dev->properties[row.property] = row.value;
        for (const Fault f : row.faults) dev->failCommand(7, f);
        dev->emptyReportsBefore(7, row.empties);
        ASSERT_TRUE(device.open(0x16D0, 0x0EA1));
        std::string text = "stale";
        EXPECT_EQ(channel.getPropertyText(row.property, text), *row.text != '\0');
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(dev->reports.at(0), bytes({1, 0, 12, 0, 7, 0, 0, 2, row.property}));
        device.close();
    }
}

// Faults: another order of questions, a question after the first silence, a description made
// from other properties or changed by a failed probe.
TEST_F(ProbeTest, AsksInOrderAndStopsAtTheFirstSilence) {
    const std::vector<std::uint32_t> order{1, 4, 3, 5};
    for (int silent = 1; silent <= 5; ++silent) {  // 5: every question answered
        SCOPED_TRACE(silent);
        auto dev = kboot();
        dev->failCommand(7, Fault::NoAnswer, silent);
        std::string description = "unchanged";
        EXPECT_EQ(channel.probeBootloader(0x16D0, 0x0EA1, description), silent == 5);
        std::vector<std::uint32_t> asked;
        for (const Bytes& r : dev->reports) asked.push_back(r[8]);
        EXPECT_EQ(asked, decltype(asked)(order.begin(), order.begin() + std::min(silent, 4)));
        EXPECT_EQ(description, silent < 5 ? "unchanged"
                          : "Flash Start Address = 0x00000000 ; Flash Sector Size = 4 KB");
    }
}

TEST_F(ProbeTest, RegistryRunsTheProbesOfTheSelectedKind) {
    // row, first-stage loader attached, KBOOT attached at Kado's / Mondrel's ids, then found
    const std::tuple<unsigned, bool, bool, bool, bool> rows[] = {
        {kKado, true, false, false, true},
        {kKado, false, true, false, true},
        {kMondrel, true, false, false, false},
        {kMondrel, false, false, true, true},
        {1, true, true, true, false},  // a kind without loaders opens nothing
    };
    for (const auto& [row, loader, atKado, atMondrel, found] : rows) {
        SCOPED_TRACE(testing::Message() << row << loader << atKado << atMondrel);
        registry.select(row);
        hidsim::detachAll();
        if (loader) halfKay();
        if (atKado) kboot(kKado, true);
        if (atMondrel) kboot(kMondrel, true);
        EXPECT_EQ(registry.bootloaderPresent(), found);
        EXPECT_EQ(hidsim::openAttempts(0x16C0, 0x0478), row == kKado ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815B), row == kKado && !loader ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(0x16D0, 0x0EA1), row == kMondrel ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815C), 0);
    }
}

}  // namespace
}  // namespace zt::test
