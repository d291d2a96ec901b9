#include "support/tool_fixture.h"

namespace zt::test {

namespace {
std::atomic<long long> slept{0};
void countSleep(int ms) { slept.fetch_add(ms > 0 ? ms : 0); }
}  // namespace

long long sleptMilliseconds() { return slept.load(); }
void resetSleep() { slept.store(0); }

void ToolTest::SetUp() {
    hidsim::detachAll();
    resetSleep();
    setSleepHook(&countSleep);
    tool = std::make_unique<Tool>(port);
    ASSERT_TRUE(tool->window.create());
}

void ToolTest::TearDown() {
    tool.reset();
    hidsim::detachAll();
    setSleepHook(nullptr);
}

void ToolTest::serveAll() {
    while (tool->dispatcher.servePass()) {
    }
}

void ToolTest::pressDevice(unsigned row) {
    tool->dispatcher.onCommand(tool->window.deviceButton(row), 0);
    serveAll();
}

void ToolTest::pressAction(int slot) {
    tool->dispatcher.onCommand(tool->window.commandButton(slot), 0);
    serveAll();
}

bool ToolTest::slotVisible(int slot) const { return slotControl(slot).visible; }

bool ToolTest::deviceVisible(unsigned row) const { return deviceControl(row).visible; }

FakeControl ToolTest::deviceControl(unsigned row) const {
    return port.control(tool->window.deviceButton(row));
}

FakeControl ToolTest::slotControl(int slot) const {
    return port.control(tool->window.commandButton(slot));
}

}  // namespace zt::test
