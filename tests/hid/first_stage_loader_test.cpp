// The HalfKay path: block reports on the wire, the boot report, the retry budget, block sizes
// that cannot be sent.
#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

class FirstStageTest : public ChannelTest {
protected:
    int load(const std::string& file, std::int32_t codeSize = 262144,
             std::int32_t blockSize = 1024) {
        return channel.loadFirstStage(kLoaderVid, kLoaderPid, file, codeSize, blockSize);
    }
};

// A loader that takes blocks but refuses the boot report.
struct BootRefusingLoader : hidsim::HalfKayLoader {
    BootRefusingLoader() : HalfKayLoader(262144, 1024) {}
    int write(const unsigned char* data, std::size_t length) override {
        if (length > 3 && data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF) {
            reports.emplace_back(data, data + length);
            return -1;
        }
        return HalfKayLoader::write(data, length);
    }
};

TEST_F(FirstStageTest, BlockAndBootReportsOnTheWire) {
    auto loader = attachHalfKay();
    const auto data = patternBytes(262144);
    ASSERT_EQ(load(firmwareFile({{0, data}})), 0);
    ASSERT_EQ(loader->reports.size(), 257u);

    struct Case {
        std::size_t index;
        std::uint32_t address;
        std::vector<unsigned char> head;
    };
    const Case cases[] = {
        {0, 0, {0x00, 0x00, 0x00, 0x00}},
        {1, 1024, {0x00, 0x00, 0x04, 0x00}},
        {255, 0x3FC00, {0x00, 0x00, 0xFC, 0x03}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        std::vector<unsigned char> expected = bytes({}, 1089);
        std::copy(c.head.begin(), c.head.end(), expected.begin());
        std::copy(data.begin() + c.address, data.begin() + c.address + 1024, expected.begin() + 65);
        EXPECT_EQ(loader->reports[c.index], expected);
    }
    EXPECT_EQ(loader->reports.back(), bytes({0x00, 0xFF, 0xFF, 0xFF}, 1089));
    EXPECT_TRUE(loader->booted);
}

TEST_F(FirstStageTest, ProgressEndsAtNinetyNine) {
    attachHalfKay();
    ASSERT_EQ(load(firmwareFile({{0, patternBytes(64)}})), 0);
    ASSERT_EQ(progress.values.size(), 256u);
    EXPECT_EQ(progress.values.front(), 0);
    EXPECT_EQ(progress.values.back(), 99);
}

TEST_F(FirstStageTest, RetryBudgetOfTheFirstBlock) {
    struct Case {
        int refused;
        int result;
        std::size_t writes;  // reports on the wire: attempts, later blocks, boot report
        long long slept;
    };
    const Case cases[] = {
        {1, 0, 2 + 255 + 1, 10},
        {499, 0, 500 + 255 + 1, 4990},
        // Every attempt of the 500 fails: the block gives up.
        {500, 1, 500, 5000},
        {-1, 1, 500, 5000},
    };
    const std::string file = firmwareFile({{0, patternBytes(100)}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.refused);
        hidsim::detachAll();
        channelSleptMs() = 0;
        auto loader = attachHalfKay();
        loader->refuseFirstWrites(c.refused);
        EXPECT_EQ(load(file), c.result);
        EXPECT_EQ(loader->reports.size(), c.writes);
        EXPECT_EQ(channelSleptMs(), c.slept);
    }
}

TEST_F(FirstStageTest, BootReportFailureStillSucceeds) {
    auto loader = std::make_shared<BootRefusingLoader>();
    hidsim::attach(kLoaderVid, kLoaderPid, loader);
    EXPECT_EQ(load(firmwareFile({{0, patternBytes(100)}})), 0);
    EXPECT_EQ(loader->reports.size(), 256u + 50u) << "the boot report gets its 50 attempts";
    EXPECT_FALSE(loader->booted);
}

TEST_F(FirstStageTest, NothingIsSentWhenNothingCanBe) {
    struct Case {
        const char* what;
        bool attach;
        std::string file;
        std::int32_t blockSize;
    };
    const std::string good = firmwareFile({{0, patternBytes(100)}});
    const Case cases[] = {
        {"loader absent", false, good, 1024},
        {"file missing", true, folder.path("missing.hex"), 1024},
        {"file malformed", true, folder.write("bad.hex", ":10000000\n"), 1024},
        {"block size 0 would never advance", true, good, 0},
        {"negative block size", true, good, -1024},
        {"block larger than a report can carry", true, good, 1026},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        std::shared_ptr<hidsim::HalfKayLoader> loader;
        if (c.attach) loader = attachHalfKay();
        EXPECT_EQ(load(c.file, 262144, c.blockSize), 1);
        if (loader) {
            EXPECT_TRUE(loader->reports.empty());
        }
    }
}

TEST_F(FirstStageTest, LargestBlockIsSentAndAnOversizedWriteIsNot) {
    auto loader = std::make_shared<hidsim::HalfKayLoader>(1025 * 2, 1025);
    hidsim::attach(kLoaderVid, kLoaderPid, loader);
    EXPECT_EQ(load(firmwareFile({{0, patternBytes(2050)}}), 2050, 1025), 0);
    ASSERT_EQ(loader->reports.size(), 3u);
    EXPECT_EQ(loader->reports[0].size(), 1090u);

    ASSERT_TRUE(device.open(kLoaderVid, kLoaderPid));
    const std::vector<std::uint8_t> tooLong(1090, 0);
    EXPECT_FALSE(channel.writeBlock(tooLong.data(), tooLong.size(), 500));
    EXPECT_EQ(loader->reports.size(), 3u);
    device.close();
}

}  // namespace
}  // namespace zt::test
