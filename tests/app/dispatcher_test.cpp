// The worker: which request it serves, that it sleeps while idle and drops presses made meanwhile.
#include <future>

#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using DispatcherTest = ToolTest;

TEST_F(DispatcherTest, LowestActionFirstThenDeviceRowsTheRestDropped) {
    std::vector<int> ran;
    for (int slot = 0; slot < 8; ++slot) {
        tool->dispatcher.setHandler(slot, [&ran, slot] { ran.push_back(slot); });
    }
    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresenceDevice>());  // row 0
    struct Row {
        std::vector<int> slots;
        std::vector<unsigned> rows;
        std::vector<int> runs;
        std::int32_t state;
    };
    const Row rows[] = {
        {{1, 0}, {}, {0}, DevicesFound},  // Update raised first, Find runs
        {{6, 2, 4}, {}, {2}, DevicesFound},
        {{7}, {0}, {7}, DevicesFound},     // the device press is dropped
        {{}, {3, 0}, {}, DeviceSelected},  // the found row of the two is selected
    };
    for (const Row& row : rows) {
        ran.clear();
        tool->dispatcher.findDevices();
        for (int slot : row.slots) tool->dispatcher.raiseAction(slot);
        for (unsigned device : row.rows) tool->dispatcher.raiseDevice(device);
        while (tool->dispatcher.servePass()) {
        }
        EXPECT_EQ(ran, row.runs);
        EXPECT_EQ(tool->dispatcher.selectionState(), row.state);
    }
    tool->dispatcher.onCommand(tool->window.commandButton(1), 1);  // only clicks raise requests
    tool->dispatcher.onCommand(tool->window.deviceButton(0), 6);
    EXPECT_FALSE(tool->dispatcher.servePass());
}

// Each wait of the idle worker must really block (its wake word re-armed), or the worker spins.
TEST_F(DispatcherTest, IdleWorkerBlocksInsteadOfSpinning) {
    static std::vector<bool> wouldBlock;
    tool->dispatcher.setIdleWait([](std::atomic<std::int32_t>& word, std::int32_t current) {
        wouldBlock.push_back(word.load() == current);
    });
    tool->dispatcher.raiseAction(7);
    EXPECT_TRUE(tool->dispatcher.servePass());
    tool->dispatcher.waitForRequest();
    tool->dispatcher.raiseAction(7);
    tool->dispatcher.waitForRequest();  // a request is there: no wait at all
    EXPECT_EQ(wouldBlock, std::vector<bool>{true});
}

TEST_F(DispatcherTest, PressesDuringAnActionAreDropped) {
    std::promise<void> started;
    std::promise<void> release;
    int runs = 0;
    tool->dispatcher.setHandler(2, [&] {
        started.set_value();
        release.get_future().wait();
        ++runs;
    });
    ASSERT_TRUE(tool->dispatcher.startWorker());  // the idle worker must wake for the press
    tool->dispatcher.raiseAction(2);
    started.get_future().wait();
    tool->dispatcher.raiseAction(0);
    tool->dispatcher.raiseDevice(0);
    release.set_value();
    tool->dispatcher.stopWorker();
    EXPECT_EQ(runs, 1);
    EXPECT_FALSE(tool->dispatcher.servePass());
}

}  // namespace
}  // namespace zt::test
