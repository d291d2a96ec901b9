// A fresh Tool per test over the recording port: window created, no devices, a folder, no sleeping.
#pragma once

#include <gtest/gtest.h>

#include <iterator>
#include <memory>

#include "app/tool.h"
#include "hidsim/preset_device.h"
#include "platform/sleep.h"
#include "support/scratch_folder.h"
#include "ui/fake_controls_port.h"

namespace zt::test {

using Bytes = std::vector<unsigned char>;

inline Bytes readFile(const std::string& path) {
    return Bytes(std::istreambuf_iterator<char>(std::ifstream(path, std::ios::binary).rdbuf()), {});
}

inline long entries(const std::string& folder) {
    const std::filesystem::directory_iterator all(folder);
    return static_cast<long>(std::distance(begin(all), end(all)));
}

// The presets file of a whole bank (first-section selector `bank`) as the device holds it.
inline Bytes savedBank(const hidsim::PresetDevice& device, int bank, int slots) {
    Bytes file{0x21, 0, 1};  // setPcConnection 1 first, 0 last
    file.resize(64);
    for (int i = 0; i < 2 * slots; ++i) {  // the slot's two sections, selectors bank and bank + 2
        for (const auto& r : device.section(bank + i % 2 * 2, i / 2))
            file.insert(file.end(), r.begin(), r.end());
    }
    file.push_back(0x21);
    file.resize(file.size() + 63);
    return file;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        hidsim::detachAll();
        setSleepHook([](int) {});
        ASSERT_TRUE(tool->window.create());
    }
    void TearDown() override {
        hidsim::detachAll();
        setSleepHook(nullptr);
    }
    // A click on the slot's command button, served at once on this thread.
    void pressAction(int slot) {
        tool->dispatcher.onCommand(tool->window.commandButton(slot), 0);
        while (tool->dispatcher.servePass()) continue;
    }

    const ScratchFolder folder;
    FakeControlsPort port;
    std::unique_ptr<Tool> tool = std::make_unique<Tool>(port);
};

}  // namespace zt::test
