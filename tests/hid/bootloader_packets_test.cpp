// The KBOOT packet layer: whole reports on the wire, the empty-report rule, the response check.
#include <cstring>
#include <functional>

#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

// Answers reads from a script, one report per read; an exhausted script reads as a time-out.
struct ScriptedDevice : hidsim::Device {
    std::vector<hidsim::Report> replies;
    std::size_t next = 0;
    std::vector<hidsim::Report> written;
    int reads = 0;

    int write(const unsigned char* data, std::size_t length) override {
        written.emplace_back(data, data + length);
        return static_cast<int>(length);
    }
    int read(unsigned char* data, std::size_t length, int) override {
        ++reads;
        if (next >= replies.size()) return 0;
        const hidsim::Report& r = replies[next++];
        const std::size_t n = std::min(length, r.size());
        std::memcpy(data, r.data(), n);
        return static_cast<int>(n);
    }
};

class PacketTest : public ChannelTest {
protected:
    std::shared_ptr<ScriptedDevice> openScripted(std::vector<hidsim::Report> replies) {
        auto dev = std::make_shared<ScriptedDevice>();
        dev->replies = std::move(replies);
        hidsim::attach(kMondrelVid, kMondrelPid, dev);
        EXPECT_TRUE(device.open(kMondrelVid, kMondrelPid));
        return dev;
    }
};

TEST_F(PacketTest, CommandReportsOnTheWire) {
    struct Case {
        const char* what;
        std::function<void(BootloaderChannel&)> run;
        std::vector<unsigned char> report;
    };
    const Case cases[] = {
        {"FlashEraseRegion from 0 over 256 KiB",
         [](BootloaderChannel& c) { c.eraseRegion(0, 262144); },
         bytes({0x01, 0x00, 0x0C, 0x00, 0x02, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
                0x04, 0x00},
               36)},
        {"Reset", [](BootloaderChannel& c) { c.resetDevice(); },
         bytes({0x01, 0x00, 0x0C, 0x00, 0x0B, 0x00, 0x00, 0x02}, 36)},
        {"GetProperty 1",
         [](BootloaderChannel& c) {
             std::string text;
             c.getPropertyText(1, text);
         },
         bytes({0x01, 0x00, 0x0C, 0x00, 0x07, 0x00, 0x00, 0x02, 0x01}, 36)},
        {"WriteMemory of 4097 bytes",
         [](BootloaderChannel& c) {
             const std::vector<std::uint8_t> data(4097, 0x5A);
             c.writeMemory(4097, data.data());
         },
         bytes({0x01, 0x00, 0x0C, 0x00, 0x04, 0x01, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x10,
                0x00, 0x00},
               36)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto kboot = openKboot();
        c.run(channel);
        ASSERT_FALSE(kboot->reports.empty());
        EXPECT_EQ(kboot->reports.front(), c.report);
        device.close();
        hidsim::detachAll();
    }
}

TEST_F(PacketTest, WriteMemoryDataReportsCarryTheImageInThirtyTwoByteChunks) {
    auto kboot = openKboot();
    const std::vector<std::uint8_t> data = patternBytes(4097);
    EXPECT_EQ(channel.writeMemory(4097, data.data()), 0);

    ASSERT_EQ(kboot->reports.size(), 1u + 129u);
    const hidsim::Report& first = kboot->reports[1];
    EXPECT_EQ(std::vector<unsigned char>(first.begin(), first.begin() + 4),
              (std::vector<unsigned char>{0x02, 0x00, 0x20, 0x00}));
    EXPECT_TRUE(std::equal(data.begin(), data.begin() + 32, first.begin() + 4));
    std::vector<unsigned char> last = bytes({0x02, 0x00, 0x01, 0x00, data[4096]}, 36);
    EXPECT_EQ(kboot->reports.back(), last) << "a short last chunk is zero-padded";
    for (const auto& r : kboot->reports) EXPECT_EQ(r.size(), 36u);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), kboot->flash.begin()));
    ASSERT_FALSE(progress.values.empty());
    EXPECT_EQ(progress.values.back(), 100);
    EXPECT_EQ(progress.values.size(), 129u);
}

TEST_F(PacketTest, EmptyReportsBeforeTheAnswer) {
    struct Case {
        int empties;
        int verdict;        // checkResponse of the answer taken
        std::size_t length; // its payload length
        int reads;          // reports the one response read took
    };
    const Case cases[] = {
        {0, 0, 12, 1},
        {1, 0, 12, 2},
        {49, 0, 12, 50},
        // The 50th empty report is the answer: it carries zeros where the tag should be.
        {50, 2, 0, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.empties);
        auto kboot = openKboot();
        kboot->emptyReportsBefore(BootloaderChannel::kReset, c.empties);
        const auto response = channel.packets().sendCommand(BootloaderChannel::kReset, 0, 0, 0);
        ASSERT_TRUE(response.has_value());
        EXPECT_EQ(response->length, c.length);
        EXPECT_EQ(checkResponse(response, BootloaderChannel::kReset), c.verdict);
        EXPECT_EQ(kboot->reads, c.reads);
        EXPECT_EQ(channel.packets().readCounter(), 1);
        device.close();
        hidsim::detachAll();
    }
}

TEST_F(PacketTest, AReadAfterAReadTakesAnEmptyReportAtOnce) {
    auto kboot = openKboot();
    kboot->emptyReportsBefore(BootloaderChannel::kReset, 52);
    ASSERT_TRUE(channel.packets().sendCommand(BootloaderChannel::kReset, 0, 0, 0));
    const int readsBefore = kboot->reads;
    const auto second = channel.packets().readResponse(3000, Phase::Command);
    ASSERT_TRUE(second.has_value());
    EXPECT_EQ(second->length, 0u);
    EXPECT_EQ(kboot->reads, readsBefore + 1) << "no empty report may be skipped on a second read";
    EXPECT_EQ(channel.packets().readCounter(), 2);
}

TEST_F(PacketTest, VerdictsOnScriptedAnswers) {
    using R = hidsim::Report;
    struct Case {
        const char* what;
        std::vector<R> replies;
        std::uint32_t tag;
        int verdict;
    };
    const Case cases[] = {
        {"the documented erase success",
         {{0x03, 0x00, 0x0C, 0x00, 0xA0, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0x02, 0, 0, 0}},
         2, 0},
        {"the documented reset success",
         {bytes({0x03, 0x00, 0x0C, 0x00, 0xA0, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0x0B}, 36)},
         11, 0},
        {"a time-out", {}, 2, 1},
        {"a runt report of three bytes", {{0x03, 0x00, 0x00}}, 2, 1},
        {"a length field past the bytes received",
         {{0x03, 0x00, 0x0D, 0x00, 0xA0, 0x00, 0x00, 0x02, 0, 0, 0, 0, 0x02, 0, 0, 0}},
         2, 1},
        {"a data-phase report id", {bytes({0x04, 0x00, 0x0C, 0x00, 0xA0, 0, 0, 2, 0, 0, 0, 0, 2}, 36)},
         2, 1},
        {"a property answer", {bytes({0x03, 0x00, 0x0C, 0x00, 0xA7, 0, 0, 2, 0, 0, 0, 0, 2}, 36)},
         2, 2},
        {"an answer naming another command",
         {bytes({0x03, 0x00, 0x0C, 0x00, 0xA0, 0, 0, 2, 0, 0, 0, 0, 4}, 36)}, 2, 3},
        {"a correct echo with an error status",
         {bytes({0x03, 0x00, 0x0C, 0x00, 0xA0, 0, 0, 2, 0x10, 0x27, 0, 0, 2}, 36)}, 2, 4},
        {"an echo in the high bytes of the word is another command",
         {bytes({0x03, 0x00, 0x0C, 0x00, 0xA0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0, 1}, 36)}, 2, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto dev = openScripted(c.replies);
        const auto response =
            channel.packets().sendCommand(static_cast<std::uint8_t>(c.tag), 0, 0, 0);
        EXPECT_EQ(checkResponse(response, c.tag), c.verdict);
        EXPECT_EQ(dev->reads, 1) << "only empty reports are read again";
        device.close();
        hidsim::detachAll();
    }
}

// Fault: a short empty answer after the data phase judged on the bytes the buffer still held,
// the last data report's firmware bytes, which may look exactly like a successful answer.
TEST_F(PacketTest, AShortEmptyAnswerIsNeverJudgedOnStaleBytes) {
    std::vector<hidsim::Report> replies{
        bytes({0x03, 0x00, 0x0C, 0x00, 0xA0, 0, 0, 2, 0, 0, 0, 0, 4}, 36)};
    for (int i = 0; i < 50; ++i) replies.push_back({0x03, 0x00, 0x00, 0x00});
    openScripted(replies);
    const std::vector<std::uint8_t> lookalike{0xA0, 0, 0, 2, 0, 0, 0, 0, 4, 0, 0, 0};
    EXPECT_EQ(channel.writeMemory(12, lookalike.data()), 46);
}

TEST_F(PacketTest, EmptyDataReportEndsThePhaseAndAZeroByteWriteSendsNoData) {
    auto kboot = openKboot();
    EXPECT_EQ(channel.writeMemory(0, nullptr), 0);
    EXPECT_EQ(kboot->reports.size(), 1u) << "the command only, no data report";
    EXPECT_EQ(kboot->reads, 2) << "the command's answer, then the final response";
}

}  // namespace
}  // namespace zt::test
