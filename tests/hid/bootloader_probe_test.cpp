// Recognising a waiting loader: the texts of the properties, the order of the questions and where
// the probe stops, and which probes the registry runs for which kind.
#include <functional>

#include "hid/channel_fixture.h"

namespace zt::test {
namespace {

class ProbeTest : public ChannelTest {
protected:
    // The properties asked for, in order (first parameter of every GetProperty sent).
    static std::vector<std::uint32_t> asked(const hidsim::KbootBootloader& kboot) {
        std::vector<std::uint32_t> properties;
        for (const auto& r : kboot.reports)
            if (r[0] == 1 && r[4] == BootloaderChannel::kGetProperty) properties.push_back(r[8]);
        return properties;
    }
};

TEST(FormatByteSize, WholeAndFractionalUnits) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0 bytes"},          {1000, "1000 bytes"},       {1023, "1023 bytes"},
        {1024, "1 KB"},          {1536, "1.500 KB"},         {4096, "4 KB"},
        {262144, "256 KB"},      {1048576, "1 MB"},          {1572864, "1.500 MB"},
        {1048577, "1.000 MB"},   {1073741824, "1 GB"},       {3221225472u, "3 GB"},
        {0xFFFFFFFFu, "4.000 GB"},
    };
    for (const auto& [size, text] : cases) EXPECT_EQ(formatByteSize(size), text) << size;
}

TEST_F(ProbeTest, PropertyTexts) {
    struct Case {
        std::uint32_t property;
        std::function<void(hidsim::KbootBootloader&)> set;
        const char* text;
    };
    const Case cases[] = {
        {1, [](auto& k) { k.version = 0x4B020100; }, "Bootlader Version = K2.1.0"},
        {1, [](auto& k) { k.version = 0x54FF0A00; }, "Bootlader Version = T255.10.0"},
        {3, [](auto& k) { k.flashStart = 0; }, "Flash Start Address = 0x00000000"},
        {3, [](auto& k) { k.flashStart = 0xA000BC; }, "Flash Start Address = 0x00A000BC"},
        {4, [](auto&) {}, "Flash Size = 1 MB"},
        {5, [](auto& k) { k.sectorSize = 4096; }, "Flash Sector Size = 4 KB"},
        {5, [](auto& k) { k.sectorSize = 1024; }, "Flash Sector Size = 1 KB"},
        {5, [](auto& k) { k.sectorSize = 1000; }, "Flash Sector Size = 1000 bytes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        auto kboot = openKboot();
        c.set(*kboot);
        std::string text = "stale";
        EXPECT_TRUE(channel.getPropertyText(c.property, text));
        EXPECT_EQ(text, c.text);
        device.close();
        hidsim::detachAll();
    }
}

TEST_F(ProbeTest, FlashSizeOfOneAndAHalfMegabytes) {
    auto kboot = std::make_shared<hidsim::KbootBootloader>(0x180000);
    hidsim::attach(kMondrelVid, kMondrelPid, kboot);
    ASSERT_TRUE(device.open(kMondrelVid, kMondrelPid));
    std::string text;
    EXPECT_TRUE(channel.getPropertyText(4, text));
    EXPECT_EQ(text, "Flash Size = 1.500 MB");
}

TEST_F(ProbeTest, AnyAnswerCountsUnknownPropertiesDoNot) {
    auto kboot = openKboot();
    std::string text;
    kboot->failCommand(BootloaderChannel::kGetProperty, hidsim::KbootBootloader::Fault::ErrorStatus);
    EXPECT_TRUE(channel.getPropertyText(1, text)) << "an error status is still an answer";
    EXPECT_EQ(text, "Bootlader Version = K2.1.0");

    text = "stale";
    EXPECT_FALSE(channel.getPropertyText(2, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(asked(*kboot).back(), 2u) << "the question is asked before the text is refused";

    kboot->silentProperties = {5};
    text = "stale";
    EXPECT_FALSE(channel.getPropertyText(5, text));
    EXPECT_EQ(text, "");
}

TEST_F(ProbeTest, ProbeAsksInOrderAndStopsAtTheFirstSilence) {
    struct Case {
        std::vector<std::uint32_t> silent;
        bool recognised;
        std::vector<std::uint32_t> asked;
    };
    const Case cases[] = {
        {{}, true, {1, 4, 3, 5}},
        {{1}, false, {1}},
        {{4}, false, {1, 4}},
        {{3}, false, {1, 4, 3}},
        {{5}, false, {1, 4, 3, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.asked.size());
        hidsim::detachAll();
        auto kboot = attachKboot();
        kboot->silentProperties = c.silent;
        std::string description = "unchanged";
        EXPECT_EQ(channel.probeBootloader(kMondrelVid, kMondrelPid, description), c.recognised);
        EXPECT_EQ(asked(*kboot), c.asked);
        EXPECT_EQ(description, c.recognised
                                   ? "Flash Start Address = 0x00000000 ; Flash Sector Size = 4 KB"
                                   : "unchanged");
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
    std::string description;
    EXPECT_FALSE(channel.probeBootloader(0x1234, 0x5678, description));
}

TEST_F(ProbeTest, RegistryRunsTheProbesOfTheSelectedKind) {
    struct Case {
        const char* what;
        unsigned row;
        bool loader, kbootAtKado, kbootAtMondrel;
        bool present;
        int loaderOpens;   // attempts with the first-stage ids
        bool kbootAsked;   // any KBOOT exchange
    };
    const Case cases[] = {
        {"first-stage kind, first-stage loader attached", kKadoRow, true, true, false, true, 1,
         false},
        {"first-stage kind, only KBOOT attached", kKadoRow, false, true, false, true, 1, true},
        {"first-stage kind, nothing attached", kKadoRow, false, false, false, false, 1, false},
        {"KBOOT-only kind ignores a first-stage loader", kMondrelRow, true, false, false, false, 0,
         false},
        {"KBOOT-only kind attached", kMondrelRow, false, false, true, true, 0, true},
        {"kind without loaders", 1, true, true, true, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        registry.select(c.row);
        if (c.loader) attachHalfKay();
        auto atKado = attachKboot(kKadoVid, kKadoPid);
        auto atMondrel = attachKboot(kMondrelVid, kMondrelPid);
        if (!c.kbootAtKado) hidsim::detach(atKado);
        if (!c.kbootAtMondrel) hidsim::detach(atMondrel);
        EXPECT_EQ(registry.bootloaderPresent(), c.present);
        EXPECT_EQ(hidsim::openAttempts(kLoaderVid, kLoaderPid), c.loaderOpens);
        EXPECT_EQ(!atKado->reports.empty() || !atMondrel->reports.empty(), c.kbootAsked);
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
    hidsim::detachAll();
    registry.select(2);
    EXPECT_FALSE(registry.bootloaderPresent());
    EXPECT_EQ(hidsim::openAttempts(0x1FC9, 0x815A), 0) << "a kind without loaders opens nothing";
}

}  // namespace
}  // namespace zt::test
