// The KBOOT packet layer and probe: the verdict on every kind of answer and the reads it took, the
// property texts, the probe's questions, which probes run for which kind.
#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

using PacketTest = ChannelTest;
using ProbeTest = ChannelTest;

// Reset's answer, spoilt as each row says; `again`: judge a second read after the first.
TEST_F(PacketTest, VerdictOnEveryKindOfAnswer) {
    using F = Fault;
    const struct {
        const char* fault;  // what a wrong verdict or read count reveals
        std::vector<Fault> faults;
        int empties;
        bool again;
        int verdict;
        int reads;  // each of 3000 ms
    } rows[] = {
        {"a good answer refused", {}, 0, false, 0, 1},
        {"a time-out retried, or taken as an answer", {F::NoAnswer}, 0, false, 1, 1},
        {"a read error taken as an answer", {F::ReadError}, 0, false, 1, 1},
        {"the report id not looked at", {F::WrongReportId}, 0, false, 1, 1},
        {"a length past the bytes read accepted", {F::LengthPastReport}, 0, false, 1, 1},
        {"echo or status judged before the tag",
         {F::NotGeneric, F::WrongEchoedTag, F::ErrorStatus}, 0, false, 2, 1},
        {"status judged before the echo", {F::WrongEchoedTag, F::ErrorStatus}, 0, false, 3, 1},
        {"the status not looked at", {F::ErrorStatus}, 0, false, 4, 1},
        {"fewer than 49 empty reports skipped", {}, 49, false, 0, 50},
        {"more than 49 skipped, or the 50th judged as an answer", {}, 50, false, 1, 50},
        {"empty reports skipped on a read after a read", {}, 51, true, 1, 51},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.fault);
        auto dev = kboot();
        for (const Fault f : row.faults) dev->failCommand(11, f);
        dev->emptyReportsBefore(11, row.empties);
        ASSERT_TRUE(device.open(0x16D0, 0x0EA1));
        auto response = channel.packets().sendCommand(11, 0, 0, 0);
        if (row.again) response = channel.packets().readResponse(3000, Phase::Command);
        EXPECT_EQ(checkResponse(response, 11), row.verdict);
        EXPECT_EQ(dev->timeouts(Call::Read), std::vector<int>(row.reads, 3000));
        device.close();
    }
}

TEST_F(ProbeTest, ByteSizeTexts) {
    const std::pair<std::uint64_t, const char*> rows[] = {
        {0, "0 bytes"}, {1023, "1023 bytes"}, {1024, "1 KB"}, {1536, "1.500 KB"},
        {1048575, "1023.999 KB"}, {1048576, "1 MB"}, {1572864, "1.500 MB"},
        {1073741823, "1024.000 MB"}, {1073741824, "1 GB"}, {1610612736, "1.500 GB"}};
    for (const auto& [size, text] : rows) EXPECT_EQ(formatByteSize(size), text) << size;
}

// Any answer counts, whatever its tag and status; none, an empty one and an answer for a property
// without a text give false and "".
TEST_F(ProbeTest, PropertyTexts) {
    const std::tuple<std::uint32_t, std::vector<Fault>, int, const char*> rows[] = {
        {1, {}, 0, "Bootlader Version = K2.1.0"},
        {3, {Fault::NotGeneric}, 0, "Flash Start Address = 0x00000000"},
        {4, {Fault::ErrorStatus}, 0, "Flash Size = 256 KB"},
        {5, {}, 0, "Flash Sector Size = 4 KB"}, {5, {Fault::NoAnswer}, 0, ""},
        {5, {Fault::WrongReportId}, 0, ""}, {5, {}, 50, ""}, {2, {}, 0, ""},
    };
    for (const auto& [property, faults, empties, text] : rows) {
        auto dev = kboot();
        dev->properties[2] = 0;
        for (const Fault f : faults) dev->failCommand(7, f);
        dev->emptyReportsBefore(7, empties);
        ASSERT_TRUE(device.open(0x16D0, 0x0EA1));
        std::string got = "stale";
        EXPECT_EQ(channel.getPropertyText(property, got), *text != '\0') << property << text;
        EXPECT_EQ(got, text);
        EXPECT_EQ(dev->reports.at(0), bytes({1, 0, 12, 0, 7, 0, 0, 2, property}));
        device.close();
    }
}

// Faults: another order of questions, a question after the first silence, a description made
// from other properties or changed by a failed probe.
TEST_F(ProbeTest, AsksInOrderAndStopsAtTheFirstSilence) {
    const std::vector<std::uint32_t> order{1, 4, 3, 5};
    for (int silent = 1; silent <= 5; ++silent) {  // 5: every question answered
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
    // kind, first-stage loader attached, KBOOT attached at Kado's / Mondrel's ids, then found
    const std::tuple<unsigned, bool, bool, bool, bool> rows[] = {
        {kKado, true, false, false, true}, {kKado, false, true, false, true},
        {kMondrel, true, false, false, false}, {kMondrel, false, false, true, true},
        {1, true, true, true, false},  // a kind without loaders opens nothing
    };
    for (const auto& [kind, loader, atKado, atMondrel, found] : rows) {
        SCOPED_TRACE(testing::Message() << kind << loader << atKado << atMondrel);
        registry.select(kind);
        hidsim::detachAll();
        if (loader) halfKay();
        if (atKado) kboot(kKado, true);
        if (atMondrel) kboot(kMondrel, true);
        EXPECT_EQ(registry.bootloaderPresent(), found);
        EXPECT_EQ(hidsim::openHandles(), 0);  // the next probe's open would hide a leak
        EXPECT_EQ(hidsim::openAttempts(0x16C0, 0x0478), kind == kKado ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815B), kind == kKado && !loader ? 1 : 0);
        EXPECT_EQ(hidsim::openAttempts(0x16D0, 0x0EA1), kind == kMondrel ? 1 : 0);
    }
}

}  // namespace
}  // namespace zt::test
