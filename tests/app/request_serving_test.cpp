#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "support/tool_fixture.h"

namespace zt::test {
namespace {

class RequestServing : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        for (int slot = 1; slot < 8; ++slot) {
            tool->dispatcher.setHandler(slot, [this, slot] { record(slot); });
        }
        tool->dispatcher.setHandler(0, [this] { record(0); });
    }
    void record(int slot) {
        std::lock_guard<std::mutex> g(mutex);
        ran.push_back(slot);
    }
    std::vector<int> runs() {
        std::lock_guard<std::mutex> g(mutex);
        return ran;
    }
    std::mutex mutex;
    std::vector<int> ran;
};

TEST_F(RequestServing, LowestSlotWinsAndTheRestAreDropped) {
    struct Case {
        std::vector<int> raised;
        int runs;
    };
    const Case cases[] = {{{1, 0}, 0}, {{0, 1}, 0}, {{6, 2, 4}, 2}, {{7}, 7}};
    for (const Case& c : cases) {
        ran.clear();
        for (int slot : c.raised) tool->dispatcher.raiseAction(slot);
        serveAll();
        EXPECT_EQ(runs(), std::vector<int>{c.runs});
    }
}

TEST_F(RequestServing, ActionSlotsBeforeDeviceButtons) {
    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresenceDevice>());
    tool->dispatcher.findDevices();
    tool->dispatcher.raiseDevice(0);
    tool->dispatcher.raiseAction(5);
    serveAll();
    EXPECT_EQ(runs(), std::vector<int>{5});
    EXPECT_EQ(tool->dispatcher.selectionState(), DevicesFound) << "the device press was dropped";
}

TEST_F(RequestServing, NotificationsOtherThanClicksRaiseNothing) {
    tool->dispatcher.onCommand(tool->window.commandButton(1), 1);
    tool->dispatcher.onCommand(tool->window.commandButton(2), 5);
    tool->dispatcher.onCommand(tool->window.deviceButton(0), 6);
    tool->dispatcher.onCommand(12345, 0);  // matches no control
    EXPECT_FALSE(tool->dispatcher.servePass());
    tool->dispatcher.onCommand(tool->window.commandButton(4), 0);
    serveAll();
    EXPECT_EQ(runs(), std::vector<int>{4});
}

TEST_F(RequestServing, PressesDuringAnActionAreDropped) {
    std::mutex gate;
    std::condition_variable cv;
    bool started = false, release = false;
    std::atomic<int> updates{0};
    tool->dispatcher.setHandler(1, [&] {
        std::unique_lock<std::mutex> lock(gate);
        started = true;
        cv.notify_all();
        cv.wait(lock, [&] { return release; });
        ++updates;
    });
    ASSERT_TRUE(tool->dispatcher.startWorker());
    tool->dispatcher.raiseAction(1);
    {
        std::unique_lock<std::mutex> lock(gate);
        cv.wait(lock, [&] { return started; });
    }
    // Pressed while "Update" runs: dropped when it ends.
    tool->dispatcher.raiseAction(0);
    tool->dispatcher.raiseAction(3);
    tool->dispatcher.raiseDevice(2);
    {
        std::lock_guard<std::mutex> lock(gate);
        release = true;
    }
    cv.notify_all();
    tool->dispatcher.stopWorker();
    EXPECT_EQ(updates.load(), 1);
    EXPECT_EQ(runs(), std::vector<int>{});
    EXPECT_FALSE(tool->dispatcher.servePass()) << "every flag was cleared after the action";

    // Served again after a restart: the worker idles waiting, then wakes for a new press.
    std::atomic<int> laterRuns{0};
    std::mutex laterGate;
    std::condition_variable laterCv;
    tool->dispatcher.setHandler(2, [&] {
        std::lock_guard<std::mutex> g(laterGate);
        ++laterRuns;
        laterCv.notify_all();
    });
    ASSERT_TRUE(tool->dispatcher.startWorker());
    tool->dispatcher.raiseAction(2);
    {
        std::unique_lock<std::mutex> lock(laterGate);
        laterCv.wait(lock, [&] { return laterRuns.load() == 1; });
    }
    tool->dispatcher.stopWorker();
    EXPECT_EQ(laterRuns.load(), 1);
}

TEST_F(RequestServing, ClearRequestsKeepsTheSelectionState) {
    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresenceDevice>());
    tool->dispatcher.findDevices();
    tool->dispatcher.raiseAction(3);
    tool->dispatcher.raiseDevice(0);
    tool->dispatcher.clearRequests();
    EXPECT_FALSE(tool->dispatcher.servePass());
    EXPECT_EQ(tool->dispatcher.selectionState(), DevicesFound);
}

}  // namespace
}  // namespace zt::test
