// The worker's serving of requests and the two selection actions, on the recording port.
#include <future>

#include "support/tool_fixture.h"

namespace zt::test {

using Ids = std::vector<std::pair<std::uint16_t, std::uint16_t>>;
using Place = std::pair<int, int>;

class DispatcherTest : public ToolTest {
protected:
    void attach(const Ids& ids) {
        for (auto [vid, pid] : ids)
            hidsim::attach(vid, pid, std::make_shared<hidsim::PresenceDevice>());
    }
    void recordRuns() {
        for (int slot = 0; slot < 8; ++slot)
            tool->dispatcher.setHandler(slot, [this, slot] { ran.push_back(slot); });
    }
    Place placeOf(unsigned row) const { return {deviceControl(row).x, deviceControl(row).y}; }
    std::vector<int> ran;  // written by the worker only while the test waits for it
};

TEST_F(DispatcherTest, LowestActionWinsBeforeDeviceRowsAndTheRestAreDropped) {
    recordRuns();
    attach({{0x1FC9, 0x815B}});  // row 0
    const struct {
        std::vector<int> slots;
        std::vector<unsigned> rows;
        std::vector<int> runs;
        std::int32_t state;
    } cases[] = {
        {{1, 0}, {}, {0}, DevicesFound},  // Update and Find together: only Find
        {{6, 2, 4}, {}, {2}, DevicesFound},
        {{7}, {0}, {7}, DevicesFound},     // the device press is dropped
        {{}, {3, 0}, {}, DeviceSelected},  // the lowest row, the found one, is selected
    };
    for (const auto& c : cases) {
        ran.clear();
        tool->dispatcher.findDevices();
        for (int slot : c.slots) tool->dispatcher.raiseAction(slot);
        for (unsigned row : c.rows) tool->dispatcher.raiseDevice(row);
        serveAll();
        EXPECT_EQ(ran, c.runs);
        EXPECT_EQ(tool->dispatcher.selectionState(), c.state);
    }
    tool->dispatcher.onCommand(tool->window.commandButton(1), 1);  // only clicks raise requests
    tool->dispatcher.onCommand(tool->window.deviceButton(0), 6);
    tool->dispatcher.onCommand(12345, 0);  // matches no control
    EXPECT_FALSE(tool->dispatcher.servePass());
}

TEST_F(DispatcherTest, PressesDuringAnActionAreDropped) {
    recordRuns();
    std::promise<void> started, release;
    std::shared_future<void> released = release.get_future().share();
    tool->dispatcher.setHandler(1, [&] {
        started.set_value();
        released.wait();
        ran.push_back(1);
    });
    ASSERT_TRUE(tool->dispatcher.startWorker());  // the idle worker must wake for the press
    tool->dispatcher.raiseAction(1);
    started.get_future().wait();
    tool->dispatcher.raiseAction(0);
    tool->dispatcher.raiseDevice(0);
    release.set_value();
    tool->dispatcher.stopWorker();
    EXPECT_EQ(ran, std::vector<int>{1});
    EXPECT_FALSE(tool->dispatcher.servePass()) << "every flag was cleared after the action";
}

TEST_F(DispatcherTest, SearchSelectAndSearchAgain) {
    attach({{0x1FC9, 0x815B}, {0x16D0, 0x0DAF}});  // rows 0 and 3
    pressDevice(0);  // nothing searched yet: ignored
    EXPECT_TRUE(port.statuses().empty());
    pressAction(0);
    EXPECT_EQ(port.statuses(),
              (std::vector<std::string>{"Searching for devices...", "Devices found, select one"}));
    EXPECT_EQ(port.visibleIds(), (std::vector<int>{201, 301, 313}));
    EXPECT_EQ(std::make_pair(placeOf(0), placeOf(3)), std::make_pair(Place(116, 2), Place(222, 2)));
    pressDevice(5);  // not found: ignored
    pressDevice(3);
    EXPECT_EQ(port.status(), "Device selected");
    EXPECT_EQ(port.visibleIds(), (std::vector<int>{201, 202, 203, 204, 205, 206, 207, 313}));
    std::string captions;
    for (int slot = 2; slot <= 6; ++slot) captions += slotControl(slot).text + "|";
    EXPECT_EQ(captions, "Save Bank A|Save Bank B|Load Bank A|Load Bank B|Load Wavetables|");
    const auto before = port.log();
    pressDevice(3);  // a second press changes nothing at all
    pressDevice(0);  // hidden now, and a device is already selected
    EXPECT_EQ(port.log(), before);

    tool->window.showBusyProgress();
    hidsim::detachAll();
    pressAction(0);
    EXPECT_EQ(port.status(), "No devices found");
    EXPECT_EQ(tool->dispatcher.selectionState(), NoDevices);
    EXPECT_EQ(port.visibleIds(), std::vector<int>{201}) << "the bar too is hidden";
}

// Found rows take the position table in order; selecting a kind shows its button first, then only
// the actions it has.
TEST_F(DispatcherTest, FoundRowsAndSelectedKinds) {
    attach({{0x1FC9, 0x815B}, {0x1FC9, 0x815C}, {0x1FC9, 0x815A}, {0x16D0, 0x0E9E},
            {0x16D0, 0x0EA1}, {0x16D0, 0x0EA0}});  // rows 0, 1, 2, 4, 5, 7
    pressAction(0);
    EXPECT_EQ(port.visibleIds(), (std::vector<int>{201, 301, 305, 309, 317, 321, 329}));
    std::vector<Place> places;
    for (unsigned row : {0u, 1u, 2u, 4u, 5u, 7u}) places.push_back(placeOf(row));
    EXPECT_EQ(places, (std::vector<Place>{{116, 2}, {222, 2}, {10, 86}, {116, 86}, {222, 86}, {10, 170}}));
    const std::pair<unsigned, std::vector<int>> cases[] = {
        {0, {201, 202, 203, 205, 301}},  // one bank: Update, Save Presets, Load Presets
        {1, {201, 305}},                 // no update, no presets
        {2, {201, 309}},
    };
    for (const auto& [row, visible] : cases) {
        pressAction(0);
        pressDevice(row);
        EXPECT_EQ(port.status(), "Device selected") << row;
        EXPECT_EQ(port.visibleIds(), visible) << row;
        EXPECT_EQ(placeOf(row), Place(116, 2)) << row;
    }
    EXPECT_EQ(slotControl(2).text + "|" + slotControl(4).text, "Save Presets|Load Presets");
}

}  // namespace zt::test
