#include <gtest/gtest.h>

#include <memory>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "devices/progress_sink.h"
#include "hidsim/hidsim.h"

namespace zt {
namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { hidsim::detachAll(); }
    void TearDown() override { hidsim::detachAll(); }
    void attach(std::uint16_t vid, std::uint16_t pid) {
        hidsim::attach(vid, pid, std::make_shared<hidsim::PresenceDevice>());
    }
    std::vector<int> foundRows() const {
        std::vector<int> rows;
        for (unsigned i = 0; i < registry.rowCount(); ++i)
            if (registry.isFound(i)) rows.push_back(static_cast<int>(i));
        return rows;
    }
    DeviceRegistry registry;
    Catalogue catalogue{registry};
};

TEST_F(RegistryTest, CatalogueRowsInOrderWithEveryField) {
    struct Row {
        const char* name;
        int bitmap;
        unsigned vid, pid, flags;
        int code, aux, block;
        const char* key;
    };
    const Row expected[] = {
        {"Kado", 151, 0x1FC9, 0x815B, 7, 0x40000, 2048, 1024, "kado"},
        {"Vossa 1", 152, 0x1FC9, 0x815C, 0, 0, 0, 0, "vossa"},
        {"Pulka", 153, 0x1FC9, 0x815A, 0, 0, 0, 0, "pulka"},
        {"Siravel", 154, 0x16D0, 0x0DAF, 11, 0x40000, 2048, 1024, "siravel"},
        {"Vossa 2", 155, 0x16D0, 0x0E9E, 2, 0x1F000, 1024, 512, "vossa"},
        {"Mondrel", 156, 0x16D0, 0x0EA1, 2, 0x40000, 2048, 1024, "mondrel"},
        {"Ostrel", 157, 0x16D0, 0x0E9F, 2, 0x100000, 4096, 1024, "ostrel"},
        {"Jubble", 158, 0x16D0, 0x0EA0, 2, 0x100000, 4096, 1024, "jubble"},
    };
    ASSERT_EQ(registry.rowCount(), 8u);
    for (unsigned i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const DeviceKind& k = registry.row(i);
        EXPECT_STREQ(k.name, expected[i].name);
        EXPECT_EQ(k.bitmapId, expected[i].bitmap);
        EXPECT_EQ(registry.bitmapIdOf(i), expected[i].bitmap);
        EXPECT_EQ(k.vendorId, expected[i].vid);
        EXPECT_EQ(k.productId, expected[i].pid);
        EXPECT_EQ(k.flags, expected[i].flags);
        EXPECT_EQ(k.codeSize, expected[i].code);
        EXPECT_EQ(k.auxSize, expected[i].aux);
        EXPECT_EQ(k.blockSize, expected[i].block);
        EXPECT_STREQ(k.fileKey, expected[i].key);
        EXPECT_EQ(k.found, 0);
    }
}

TEST_F(RegistryTest, EnumerateMarksWhatAnswers) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::uint16_t, std::uint16_t>> attached;
        bool any;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {"nothing attached", {}, false, {}},
        // The first-stage loader cannot tell which kind it is: both kinds with one are found.
        {"first-stage loader alone", {{0x16C0, 0x0478}}, true, {0, 3}},
        {"kado and siravel in normal mode", {{0x1FC9, 0x815B}, {0x16D0, 0x0DAF}}, true, {0, 3}},
        {"vossa 1 and jubble", {{0x1FC9, 0x815C}, {0x16D0, 0x0EA0}}, true, {1, 7}},
        {"an unknown device", {{0x1234, 0x5678}}, false, {}},
        {"all eight",
         {{0x1FC9, 0x815B}, {0x1FC9, 0x815C}, {0x1FC9, 0x815A}, {0x16D0, 0x0DAF},
          {0x16D0, 0x0E9E}, {0x16D0, 0x0EA1}, {0x16D0, 0x0E9F}, {0x16D0, 0x0EA0}},
         true, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        for (auto [vid, pid] : c.attached) attach(vid, pid);
        EXPECT_EQ(registry.enumerate(), c.any);
        EXPECT_EQ(foundRows(), c.rows);
        EXPECT_EQ(hidsim::openHandles(), 0) << "every presence check closes what it opened";
    }
}

TEST_F(RegistryTest, EnumerateForgetsKindsNoLongerAttached) {
    attach(0x16D0, 0x0E9E);
    ASSERT_TRUE(registry.enumerate());
    hidsim::detachAll();
    EXPECT_FALSE(registry.enumerate());
    EXPECT_TRUE(foundRows().empty());
}

TEST_F(RegistryTest, SelectAndIsFoundIgnoreOutOfRangeIndexes) {
    registry.select(3);
    registry.select(8);
    registry.select(0xFFFFFFFFu);
    EXPECT_EQ(registry.selectedIndex(), 3u);
    EXPECT_EQ(registry.isFound(8), 0);
    EXPECT_EQ(registry.isFound(0xFFFFFFFFu), 0);
}

TEST_F(RegistryTest, CapabilityQuestionsPerRow) {
    struct Case {
        unsigned row;
        bool canUpdate, presets, banks;
        std::uint16_t vid, pid;
    };
    const Case cases[] = {
        {0, true, true, false, 0x1FC9, 0x815B},   {1, false, false, false, 0x1FC9, 0x815C},
        {2, false, false, false, 0x1FC9, 0x815A}, {3, true, false, true, 0x16D0, 0x0DAF},
        {4, true, false, false, 0x16D0, 0x0E9E},  {7, true, false, false, 0x16D0, 0x0EA0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        registry.select(c.row);
        EXPECT_EQ(registry.canUpdate(), c.canUpdate);
        EXPECT_EQ(registry.hasCapability(2), c.presets);
        EXPECT_EQ(registry.hasCapability(3), c.banks);
        EXPECT_FALSE(registry.hasCapability(4));
        EXPECT_EQ(registry.selectedVendorId(), c.vid);
        EXPECT_EQ(registry.selectedProductId(), c.pid);
    }
}

TEST_F(RegistryTest, FirmwareNameMatchesTheFileNameOnly) {
    struct Case {
        unsigned row;
        std::string path;
        bool matches;
    };
    const std::string longFolder(400, 'x');
    const Case cases[] = {
        {0, "C:\\fw\\KADO_v2.hex", true},
        {0, "/home/me/Kado-1.2.kzt", true},
        {0, "C:\\kado\\firmware.hex", false},  // a folder named after the kind is not enough
        {0, "/home/me/kado/firmware.hex", false},
        {0, "firmware.hex", false},
        {0, "fw.kado", true},  // the extension is part of the name
        {1, "vossa_update.hex", true},
        {4, "C:\\x\\VOSSA.hex", true},
        {3, "siravel.hex", true},
        {3, "sira vel.hex", false},
        // A long path keeps its tail: the name at the end is what is tested.
        {5, "/" + longFolder + "/mondrel.hex", true},
        {5, "/" + longFolder + "mondrel/other.hex", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.substr(0, 40));
        registry.select(c.row);
        EXPECT_EQ(registry.firmwareNameMatches(c.path), c.matches);
    }
}

struct RecordingSink : ProgressSink {
    std::vector<int> values;
    void advanceProgress(int p) override { values.push_back(p); }
};

TEST_F(RegistryTest, ReportProgressReachesTheSinkWhenOneIsSet) {
    registry.reportProgress(10);  // no sink yet: nothing happens, nothing breaks
    RecordingSink sink;
    registry.setProgressSink(&sink);
    registry.reportProgress(20);
    registry.reportProgress(99);
    EXPECT_EQ(sink.values, (std::vector<int>{20, 99}));
}

}  // namespace
}  // namespace zt
