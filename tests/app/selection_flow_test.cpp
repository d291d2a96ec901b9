#include <gtest/gtest.h>

#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using Ids = std::vector<std::pair<std::uint16_t, std::uint16_t>>;

class SelectionFlow : public ToolTest {
protected:
    void attach(const Ids& ids) {
        for (auto [vid, pid] : ids) hidsim::attach(vid, pid, std::make_shared<hidsim::PresenceDevice>());
    }
    const Ids kadoAndSiravel{{0x1FC9, 0x815B}, {0x16D0, 0x0DAF}};
};

TEST_F(SelectionFlow, AtStartOnlyTheSearchButtonAndTheStatusBarShow) {
    EXPECT_EQ(port.visibleIds(), std::vector<int>{201});
    EXPECT_EQ(port.statusRightText(), "v1.2.1");
    EXPECT_EQ(port.statusRightWidth(), 40);
    EXPECT_TRUE(port.statuses().empty());
}

TEST_F(SelectionFlow, SearchThenSelectTwoBankKind) {
    attach(kadoAndSiravel);
    pressAction(0);
    EXPECT_EQ(port.statuses(),
              (std::vector<std::string>{"Searching for devices...", "Devices found, select one"}));
    EXPECT_EQ(tool->dispatcher.selectionState(), DevicesFound);
    EXPECT_TRUE(deviceVisible(0));
    EXPECT_TRUE(deviceVisible(3));
    EXPECT_EQ(std::make_pair(deviceControl(0).x, deviceControl(0).y), std::make_pair(116, 2));
    EXPECT_EQ(std::make_pair(deviceControl(3).x, deviceControl(3).y), std::make_pair(222, 2));
    for (unsigned row : {1u, 2u, 4u, 5u, 6u, 7u}) EXPECT_FALSE(deviceVisible(row)) << row;

    pressDevice(3);
    EXPECT_EQ(port.status(), "Device selected");
    EXPECT_EQ(tool->dispatcher.selectionState(), DeviceSelected);
    EXPECT_FALSE(deviceVisible(0));
    EXPECT_TRUE(deviceVisible(3));
    EXPECT_EQ(std::make_pair(deviceControl(3).x, deviceControl(3).y), std::make_pair(116, 2));
    EXPECT_TRUE(slotVisible(1));
    const char* captions[] = {"Save Bank A", "Save Bank B", "Load Bank A", "Load Bank B",
                              "Load Wavetables"};
    for (int slot = 2; slot <= 6; ++slot) {
        EXPECT_TRUE(slotVisible(slot)) << slot;
        EXPECT_EQ(slotControl(slot).text, captions[slot - 2]);
    }

    // A second press of the selected kind's button changes nothing at all.
    const auto logBefore = port.log();
    pressDevice(3);
    EXPECT_EQ(port.log(), logBefore);
}

TEST_F(SelectionFlow, OneBankKindShowsOnlyItsTwoButtons) {
    attach(kadoAndSiravel);
    pressAction(0);
    pressDevice(0);
    EXPECT_TRUE(slotVisible(1));
    EXPECT_EQ(slotControl(2).text, "Save Presets");
    EXPECT_EQ(slotControl(4).text, "Load Presets");
    EXPECT_TRUE(slotVisible(2));
    EXPECT_TRUE(slotVisible(4));
    for (int slot : {3, 5, 6}) EXPECT_FALSE(slotVisible(slot)) << slot;
}

TEST_F(SelectionFlow, KindsWithoutCapabilitiesOfferNoAction) {
    for (unsigned row : {1u, 2u}) {
        SCOPED_TRACE(row);
        hidsim::detachAll();
        attach({{0x1FC9, 0x815C}, {0x1FC9, 0x815A}});
        pressAction(0);
        pressDevice(row);
        EXPECT_EQ(port.status(), "Device selected");
        for (int slot = 1; slot <= 6; ++slot) EXPECT_FALSE(slotVisible(slot)) << slot;
    }
}

TEST_F(SelectionFlow, SearchFindingNothingHidesEverything) {
    attach(kadoAndSiravel);
    pressAction(0);
    pressDevice(3);
    tool->window.showBusyProgress();
    hidsim::detachAll();
    pressAction(0);
    EXPECT_EQ(port.status(), "No devices found");
    EXPECT_EQ(tool->dispatcher.selectionState(), NoDevices);
    EXPECT_EQ(port.visibleIds(), std::vector<int>{201});
    EXPECT_FALSE(port.progressVisible());
    // The selection itself is kept until the next one.
    EXPECT_EQ(tool->registry.selectedIndex(), 3u);
}

TEST_F(SelectionFlow, FoundRowsTakeThePositionTableInOrder) {
    attach({{0x1FC9, 0x815B}, {0x1FC9, 0x815C}, {0x1FC9, 0x815A}, {0x16D0, 0x0E9E},
            {0x16D0, 0x0EA1}, {0x16D0, 0x0EA0}});
    pressAction(0);
    const std::vector<std::pair<unsigned, std::pair<int, int>>> expected{
        {0, {116, 2}}, {1, {222, 2}}, {2, {10, 86}}, {4, {116, 86}}, {5, {222, 86}}, {7, {10, 170}}};
    for (auto [row, at] : expected) {
        SCOPED_TRACE(row);
        EXPECT_TRUE(deviceVisible(row));
        EXPECT_EQ(std::make_pair(deviceControl(row).x, deviceControl(row).y), at);
    }
    EXPECT_FALSE(deviceVisible(3));
    EXPECT_FALSE(deviceVisible(6));
}

TEST_F(SelectionFlow, SelectionNeedsAFreshSearchThatFoundTheRow) {
    attach(kadoAndSiravel);
    pressDevice(0);  // nothing searched yet
    EXPECT_TRUE(port.statuses().empty());
    pressAction(0);
    pressDevice(5);  // not found
    EXPECT_EQ(port.status(), "Devices found, select one");
    EXPECT_EQ(tool->dispatcher.selectionState(), DevicesFound);
    pressDevice(0);
    pressDevice(3);  // hidden now, and the state is DeviceSelected
    EXPECT_EQ(tool->registry.selectedIndex(), 0u);
}

}  // namespace
}  // namespace zt::test
