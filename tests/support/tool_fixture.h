// A fresh tool per test: a Tool over the recording port, its window created, the emulated device
// world empty, a fresh folder for files, and sleeping replaced by a counter of the milliseconds
// asked for.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "ui/fake_controls_port.h"

namespace zt::test {

using Bytes = std::vector<unsigned char>;

// Total milliseconds the code asked to sleep since the test began.
long long sleptMilliseconds();
Bytes readFile(const std::string& path);
void writeFile(const std::string& path, const Bytes& bytes);

class ToolTest : public ::testing::Test {
protected:
    ToolTest();
    ~ToolTest() override;
    void SetUp() override;
    void TearDown() override;

    // A click on the command button of the slot, served at once on this thread.
    void pressAction(int slot);
    // A name in the test's own folder, which is removed with everything in it after the test.
    std::string path(const std::string& name) const { return (folder / name).string(); }
    std::vector<std::string> folderEntries() const;  // sorted

    std::filesystem::path folder;
    FakeControlsPort port;
    std::unique_ptr<Tool> tool;
};

}  // namespace zt::test
