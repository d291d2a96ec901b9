// A fresh tool per test: a Tool over the recording port, its window created, the emulated device
// world empty, a folder of its own, and no real sleeping.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "app/tool.h"
#include "hidsim/preset_device.h"
#include "platform/sleep.h"
#include "ui/fake_controls_port.h"

namespace zt::test {

using Bytes = std::vector<unsigned char>;

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

// The presets file of a whole bank (first-section selector `bank`) as the device holds it.
inline Bytes savedBank(const hidsim::PresetDevice& device, int bank, int slots) {
    Bytes file{0x21, 0, 1};  // setPcConnection 1 first, 0 last
    file.resize(64);
    for (int slot = 0; slot < slots; ++slot) {
        for (int selector : {bank, bank + 2}) {
            for (const auto& r : device.section(selector, slot)) {
                file.insert(file.end(), r.begin(), r.end());
            }
        }
    }
    file.push_back(0x21);
    file.resize(file.size() + 63);
    return file;
}

class ToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder);
        hidsim::detachAll();
        setSleepHook([](int) {});
        tool = std::make_unique<Tool>(port);
        ASSERT_TRUE(tool->window.create());
    }
    void TearDown() override {
        tool.reset();
        hidsim::detachAll();
        setSleepHook(nullptr);
        std::filesystem::remove_all(folder);
    }
    // A click on the slot's command button, served at once on this thread.
    void pressAction(int slot) {
        tool->dispatcher.onCommand(tool->window.commandButton(slot), 0);
        while (tool->dispatcher.servePass()) {
        }
    }
    std::string path(const std::string& name) const { return (folder / name).string(); }

    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("zt-test-" + std::to_string(std::random_device{}()));
    FakeControlsPort port;
    std::unique_ptr<Tool> tool;
};

}  // namespace zt::test
