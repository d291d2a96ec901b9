#include <gtest/gtest.h>

#include <memory>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hidsim/hidsim.h"

namespace zt {
namespace {

using Ids = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { hidsim::detachAll(); }
    void TearDown() override { hidsim::detachAll(); }
    DeviceRegistry registry;
    Catalogue catalogue{registry};
};

// Run in order on one registry: each search forgets what the last one found.
TEST_F(RegistryTest, EnumerateMarksWhatAnswers) {
    struct Case {
        const char* what;
        Ids attached;
        std::vector<int> rows;
    };
    const Case cases[] = {
        {"all eight",
         {{0x1FC9, 0x815B}, {0x1FC9, 0x815C}, {0x1FC9, 0x815A}, {0x16D0, 0x0DAF},
          {0x16D0, 0x0E9E}, {0x16D0, 0x0EA1}, {0x16D0, 0x0E9F}, {0x16D0, 0x0EA0}},
         {0, 1, 2, 3, 4, 5, 6, 7}},
        // The first-stage loader cannot tell which kind it is: both kinds that have one are found.
        {"first-stage loader alone", {{0x16C0, 0x0478}}, {0, 3}},
        {"vossa 1 and jubble", {{0x1FC9, 0x815C}, {0x16D0, 0x0EA0}}, {1, 7}},
        {"an unknown device", {{0x1234, 0x5678}}, {}},
        {"nothing attached", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        for (auto [vid, pid] : c.attached)
            hidsim::attach(vid, pid, std::make_shared<hidsim::PresenceDevice>());
        EXPECT_EQ(registry.enumerate(), !c.rows.empty());
        std::vector<int> found;
        for (unsigned i = 0; i < 8; ++i)
            if (registry.isFound(i)) found.push_back(static_cast<int>(i));
        EXPECT_EQ(found, c.rows);
        EXPECT_EQ(hidsim::openHandles(), 0) << "every presence check closes what it opened";
    }
}

TEST_F(RegistryTest, SelectAndIsFoundIgnoreOutOfRangeIndexes) {
    registry.select(3);
    for (unsigned index : {8u, 0xFFFFFFFFu}) {
        registry.select(index);
        EXPECT_EQ(registry.isFound(index), 0);
    }
    EXPECT_EQ(registry.selectedIndex(), 3u);
}

TEST_F(RegistryTest, QuestionsAboutTheSelectedKind) {
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
        EXPECT_EQ(registry.hasCapability(CAP_BIT_PRESETS), c.presets);
        EXPECT_EQ(registry.hasCapability(CAP_BIT_BANKS), c.banks);
        EXPECT_EQ(std::make_pair(registry.selectedVendorId(), registry.selectedProductId()),
                  std::make_pair(c.vid, c.pid));
    }
}

TEST_F(RegistryTest, FirmwareNameMatchesTheFileNameOnly) {
    const std::string longFolder(400, 'x');
    const std::tuple<unsigned, std::string, bool> cases[] = {
        {0, "C:\\fw\\KADO_v2.hex", true},
        {0, "/home/me/Kado-1.2.kzt", true},
        {0, "C:\\kado\\firmware.hex", false},  // a folder named after the kind is not enough
        {0, "/home/me/kado/firmware.hex", false},
        {0, "fw.kado", true},  // the extension is part of the name
        {1, "vossa_update.hex", true},
        {4, "C:\\x\\VOSSA.hex", true},
        {3, "sira vel.hex", false},
        // A long path keeps its tail: the name at its end is what is tested.
        {5, "/" + longFolder + "/mondrel.hex", true},
        {5, "/" + longFolder + "mondrel/other.hex", false},
    };
    for (const auto& [row, path, matches] : cases) {
        SCOPED_TRACE(path.substr(0, 40));
        registry.select(row);
        EXPECT_EQ(registry.firmwareNameMatches(path), matches);
    }
}

}  // namespace
}  // namespace zt
