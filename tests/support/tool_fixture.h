// A fresh tool per test: a Tool over the recording port, its window created, the emulated device
// world empty and sleeping replaced by a counter of the milliseconds asked for.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "ui/fake_controls_port.h"

namespace zt::test {

// Total milliseconds the code asked to sleep since the last reset.
long long sleptMilliseconds();
void resetSleep();

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs the worker's serving pass until nothing is left (on this thread).
    void serveAll() {
        while (tool->dispatcher.servePass()) {
        }
    }
    // A click on a device button / a command button slot, served at once.
    void pressDevice(unsigned row) { click(tool->window.deviceButton(row)); }
    void pressAction(int slot) { click(tool->window.commandButton(slot)); }
    FakeControl deviceControl(unsigned row) const { return port.control(tool->window.deviceButton(row)); }
    FakeControl slotControl(int slot) const { return port.control(tool->window.commandButton(slot)); }

    FakeControlsPort port;
    std::unique_ptr<Tool> tool;

private:
    void click(ControlHandle button) {
        tool->dispatcher.onCommand(button, 0);
        serveAll();
    }
};

}  // namespace zt::test
