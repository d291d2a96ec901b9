// The KBOOT packet layer and probe: whole reports on the wire, the empty-report rule, the response
// check, the property texts, the order of the questions, which probes run for which kind.
#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

using PacketTest = ChannelTest;
using ProbeTest = ChannelTest;

TEST_F(PacketTest, ImageOf4097BytesOnTheWire) {
    registry.select(kMondrelRow);
    auto kboot = attach();
    const auto data = patternBytes(4097);
    ASSERT_EQ(registry.installFirmware(firmwareFile({{0, data}})), 0);
    const auto& r = kboot->reports;
    ASSERT_EQ(r.size(), 1u + 1u + 129u + 1u);
    EXPECT_EQ(r[0], bytes({1, 0, 0x0C, 0, 2, 0, 0, 2, 0, 0, 0, 0, 0, 0x20}));  // two erase units
    EXPECT_EQ(r[1], bytes({1, 0, 0x0C, 0, 4, 1, 0, 2, 0, 0, 0, 0, 0x01, 0x10}));
    EXPECT_EQ(Bytes(r[2].begin(), r[2].begin() + 4), (Bytes{2, 0, 0x20, 0}));
    EXPECT_EQ(r[130], bytes({2, 0, 1, 0, data[4096]})) << "a short last chunk is zero-padded";
    EXPECT_EQ(r[131], bytes({1, 0, 0x0C, 0, 0x0B, 0, 0, 2}));
    EXPECT_TRUE(std::equal(data.begin(), data.end(), kboot->flash.begin()));
    EXPECT_EQ(progress.back(), 100);
}

TEST_F(PacketTest, EmptyReportRule) {
    // empty reports before the answer, a second read without a write, verdict, length, reads
    const std::tuple<int, bool, int, std::size_t, int> cases[] = {
        {49, false, 0, 12, 50},
        {50, false, 2, 0, 50},  // the 50th empty report is the answer
        {52, true, 2, 0, 51},   // a read after a read takes an empty report at once
    };
    for (const auto& [empties, readAgain, verdict, length, reads] : cases) {
        SCOPED_TRACE(empties);
        auto kboot = open();
        kboot->emptyReportsBefore(BootloaderChannel::kReset, empties);
        auto response = channel.packets().sendCommand(BootloaderChannel::kReset, 0, 0, 0);
        if (readAgain) response = channel.packets().readResponse(3000, Phase::Command);
        ASSERT_TRUE(response.has_value());
        EXPECT_EQ(response->length, length);
        EXPECT_EQ(checkResponse(response, BootloaderChannel::kReset), verdict);
        EXPECT_EQ(kboot->reads, reads);
    }
}

// Fault: a short empty answer after the data phase judged on what the buffer still held, the last
// data report's firmware bytes, which may look exactly like a successful answer.
TEST_F(PacketTest, AShortEmptyAnswerIsNeverJudgedOnStaleBytes) {
    open()->emptyReportsBefore(BootloaderChannel::kWriteMemory, 50, true);
    const std::vector<std::uint8_t> lookalike{0xA0, 0, 0, 2, 0, 0, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(channel.writeMemory(12, lookalike.data()), 46);
}

TEST_F(ProbeTest, PropertyTexts) {
    const std::tuple<std::uint32_t, std::uint32_t, std::string> cases[] = {
        {1, 0x4B020100, "Bootlader Version = K2.1.0"},
        {3, 0xA000BC, "Flash Start Address = 0x00A000BC"},
        {4, 0x180000, "Flash Size = 1.500 MB"},
        {5, 1024, "Flash Sector Size = 1 KB"},
        {5, 1000, "Flash Sector Size = 1000 bytes"},
        {2, 0, ""},  // not a property the probe knows
    };
    for (const auto& [property, value, expected] : cases) {
        SCOPED_TRACE(expected);
        open()->properties[property] = value;
        std::string text = "stale";
        EXPECT_EQ(channel.getPropertyText(property, text), !expected.empty());
        EXPECT_EQ(text, expected);
    }
}

TEST_F(ProbeTest, AsksInOrderAndStopsAtTheFirstSilence) {
    const std::vector<std::uint32_t> order{1, 4, 3, 5};
    for (int silent = 1; silent <= 5; ++silent) {  // 5: every question answered
        SCOPED_TRACE(silent);
        hidsim::detachAll();
        auto kboot = attach();
        kboot->failCommand(BootloaderChannel::kGetProperty, Fault::NoAnswer, silent);
        std::string description = "unchanged";
        EXPECT_EQ(channel.probeBootloader(kMondrelVid, kMondrelPid, description), silent == 5);
        std::vector<std::uint32_t> asked;
        for (const Bytes& r : kboot->reports) asked.push_back(r[8]);
        EXPECT_EQ(asked, decltype(asked)(order.begin(), order.begin() + std::min(silent, 4)));
        EXPECT_EQ(kboot->reports[0], bytes({1, 0, 0x0C, 0, 7, 0, 0, 2, 1}));
        EXPECT_EQ(description, silent < 5 ? "unchanged"
                          : "Flash Start Address = 0x00000000 ; Flash Sector Size = 4 KB");
    }
}

TEST_F(ProbeTest, RegistryRunsTheProbesOfTheSelectedKind) {
    // row, first-stage loader attached, KBOOT attached at Kado's / Mondrel's ids, then found
    const std::tuple<unsigned, bool, bool, bool, bool> cases[] = {
        {kKadoRow, true, false, false, true},
        {kKadoRow, false, true, false, true},
        {kMondrelRow, true, false, false, false},
        {kMondrelRow, false, false, true, true},
        {1, true, true, true, false},  // a kind without loaders
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(&c - cases);
        const auto& [row, loader, atKado, atMondrel, found] = c;
        registry.select(row);
        hidsim::detachAll();
        if (loader) halfKay();
        if (atKado) attach(kKadoVid, kKadoPid);
        if (atMondrel) attach(kMondrelVid, kMondrelPid);
        EXPECT_EQ(registry.bootloaderPresent(), found);
        EXPECT_EQ(hidsim::openAttempts(kLoaderVid, kLoaderPid), row == kKadoRow ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(kKadoVid, kKadoPid), row == kKadoRow && !loader ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(kMondrelVid, kMondrelPid), row == kMondrelRow ? 1 : 0);
    }
    EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815C), 0) << "a kind without loaders opened its ids";
}

}  // namespace
}  // namespace zt::test
