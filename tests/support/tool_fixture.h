// A fresh tool per test: a Tool over the recording port, its window created, the emulated device
// world empty, a folder of its own, and sleeping replaced by a counter of the milliseconds asked.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/tool.h"
#include "hidsim/preset_device.h"
#include "ui/fake_controls_port.h"

namespace zt::test {

using Bytes = std::vector<unsigned char>;

long long sleptMilliseconds();  // since the test began
Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);
// The presets file of a whole bank (first-section selector `bank`) as the device holds it.
Bytes savedBank(const hidsim::PresetDevice& device, int bank, int slots);

class ToolTest : public ::testing::Test {
protected:
    ToolTest();
    ~ToolTest() override;
    void SetUp() override;
    void TearDown() override;
    void pressAction(int slot);  // a click on the slot's button, served at once on this thread
    std::string path(const std::string& name) const { return (folder / name).string(); }

    std::filesystem::path folder;  // removed with everything in it after the test
    FakeControlsPort port;
    std::unique_ptr<Tool> tool;
};

}  // namespace zt::test
