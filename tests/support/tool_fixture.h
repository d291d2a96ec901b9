// A fresh tool per test: a Tool over the recording port, its window created, the emulated device
// world empty and sleeping replaced by a counter of the milliseconds asked for.
#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <memory>

#include "app/tool.h"
#include "hid/sleep.h"
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
    void serveAll();
    // Raises a device button's request and serves it.
    void pressDevice(unsigned row);
    void pressAction(int slot);
    // Visible state of a command button slot / a device row.
    bool slotVisible(int slot) const;
    bool deviceVisible(unsigned row) const;
    FakeControl deviceControl(unsigned row) const;
    FakeControl slotControl(int slot) const;

    FakeControlsPort port;
    std::unique_ptr<Tool> tool;
};

}  // namespace zt::test
