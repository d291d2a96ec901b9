// Saves and loads through the emulated device: what a save writes must load back into the same
// presets, in the bank the user chose.
#include <gtest/gtest.h>

#include <memory>

#include "hidsim/preset_device.h"
#include "support/tool_fixture.h"
#include "transfer/preset_transfer.h"
#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;
using Memory = std::vector<std::vector<hidsim::Record>>;

Memory memoryOf(const PresetDevice& device) {
    Memory memory;
    for (int selector = 0; selector < 4; ++selector)
        for (int slot = 0; slot < device.slots(); ++slot) memory.push_back(device.section(selector, slot));
    return memory;
}

class RoundTrip : public ToolTest {
protected:
    TempFolder folder;
    std::string file = folder.file("presets.zentari");
};

// A one-bank save loaded into a device whose presets were changed since gives them back exactly.
TEST_F(RoundTrip, OneBankSaveLoadsBackUnchanged) {
    auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::OneBank);
    hidsim::attach(0x1FC9, 0x815B, device);
    tool->registry.select(0);
    tool->paths.presetsPath = file;
    ASSERT_EQ(tool->transfer.downloadPresets(0, 0, 256), kDownloadDone);
    const Memory saved = memoryOf(*device);

    ASSERT_TRUE(device->setSection(0, 17, device->section(0, 3)));
    ASSERT_TRUE(device->setSection(2, 255, device->section(2, 0)));
    ASSERT_NE(memoryOf(*device), saved);
    ASSERT_TRUE(tool->registry.presetsFileMatches(file));
    device->received.clear();
    EXPECT_EQ(tool->transfer.uploadFile(-1), kUploadDone);
    EXPECT_EQ(memoryOf(*device), saved);
    EXPECT_EQ(device->received.size(), 704640u / 64);
    EXPECT_FALSE(device->pcConnection);
}

// Bank A saved and loaded into bank B: bank B then holds bank A's presets, bank A is untouched and
// the file on disk is the same as before the load.
TEST_F(RoundTrip, BankASavedLoadsIntoBankB) {
    auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
    hidsim::attach(0x16D0, 0x0DAF, device);
    tool->registry.select(3);
    tool->paths.presetsPath = file;
    ASSERT_EQ(tool->transfer.downloadPresets(0, 0, 64), kDownloadDone);
    const Bytes savedFile = readFile(file);
    const Memory before = memoryOf(*device);
    ASSERT_NE(device->content(1, 5), device->content(0, 5));

    ASSERT_TRUE(tool->registry.presetsFileMatches(file));
    EXPECT_EQ(tool->transfer.uploadFile(1), kUploadDone);
    for (int slot = 0; slot < 64; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_EQ(device->content(1, slot), device->content(0, slot));
        EXPECT_EQ(device->content(3, slot), device->content(2, slot));
        EXPECT_EQ(device->section(0, slot), before[static_cast<std::size_t>(slot)]);
        EXPECT_EQ(device->section(2, slot), before[static_cast<std::size_t>(2 * 64 + slot)]);
    }
    EXPECT_TRUE(readFile(file) == savedFile);
}

// A wavetables file goes to the device record by record, in order, as it is.
TEST_F(RoundTrip, WavetablesReachTheDeviceInOrder) {
    auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
    hidsim::attach(0x16D0, 0x0DAF, device);
    tool->registry.select(3);
    std::vector<Packet> table{kPcOn};
    for (int i = 1; i + 1 < 16002; ++i) {
        const std::uint16_t type = i % 250 == 0 ? 0x0006 : i % 50 == 0 ? 0x0002 : 0x0001;
        table.push_back(record(type, static_cast<std::uint16_t>(i), static_cast<std::uint16_t>(i >> 3),
                               0, static_cast<unsigned char>(i * 7)));
    }
    table.push_back(kPcOff);
    writeFile(file, concat(table));
    tool->paths.presetsPath = file;
    ASSERT_TRUE(tool->registry.wavetablesFileMatches(file));
    EXPECT_EQ(tool->transfer.uploadFile(-1), kUploadDone);
    EXPECT_EQ(device->received, std::vector<hidsim::Record>(table.begin(), table.end()));
    EXPECT_EQ(device->pcConnectionChanges, (std::vector<int>{1, 0}));
}

}  // namespace
}  // namespace zt::test
