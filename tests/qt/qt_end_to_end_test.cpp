// Whole user flows through the real window: the buttons clicked, the files chosen in the real
// dialog, and what ends up in the emulated device's memory and on disk.
#include <filesystem>

#include "hidsim/halfkay_loader.h"
#include "hidsim/kboot_bootloader.h"
#include "hidsim/preset_device.h"
#include "qt/qt_tool_fixture.h"
#include "support/hex_text.h"

namespace zt::test {
namespace {

// Both update paths: the first-stage loader of a first-stage kind, and the KBOOT bootloader of a
// kind that has only that, each found by the search at its own ids. The loader is there before
// "Update", so its first probe succeeds and the loader wait never sleeps.
TEST_F(QtTool, UpdateWritesTheChosenFileIntoTheLoader) {
    auto halfKay = std::make_shared<hidsim::HalfKayLoader>(0x40000, 1024);
    auto kboot = std::make_shared<hidsim::KbootBootloader>();
    struct Case {
        const char* key;
        unsigned row;
        std::uint16_t vendorId, productId;
        std::shared_ptr<hidsim::Device> loader;
        const std::vector<std::uint8_t>& memory;
        const bool& finished;  // booted / reset: the loader was told to start the new firmware
    };
    const Case cases[] = {
        {"kado", 0, 0x16C0, 0x0478, halfKay, halfKay->memory, halfKay->booted},
        {"mondrel", 5, 0x16D0, 0x0EA1, kboot, kboot->flash, kboot->resetDone},
    };
    const ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        hidsim::detachAll();
        hidsim::attach(c.vendorId, c.productId, c.loader);
        const std::vector<std::uint8_t> bytes = patternBytes(5000, c.row + 1);
        const std::string file = folder.write(std::string(c.key) + "-firmware.hex", hexFile({{0, bytes}}));
        selectKind(c.row, slot(1));
        const DialogAnswer answer(file);
        press(slot(1));
        ASSERT_TRUE(endsWith("Updated successfully")) << status().toStdString();
        EXPECT_TRUE(answer.seen);
        screenshot(QStringLiteral("updated-") + c.key);
        const hidsim::Lock lock = hidsim::lock();
        ASSERT_GT(c.memory.size(), bytes.size());
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), c.memory.begin()));
        EXPECT_EQ(c.memory[bytes.size()], 0xFF) << "nothing written past the file";
        EXPECT_TRUE(c.finished);
    }
}

// A bank saved to a file and loaded into the other bank makes the banks equal; a file of the
// wrong size is refused before anything is sent.
TEST_F(QtTool, BankSavedAndLoadedIntoTheOtherBank) {
    auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::TwoBanks);
    hidsim::attach(0x16D0, 0x0DAF, device);
    selectKind(3, slot(6));
    // A slot's presets: its records without the selector that the SectionRecord carries (4-5).
    const auto content = [&](int selector, int slot) {
        std::vector<hidsim::Record> records = device->section(selector, slot);
        records.at(0)[4] = records.at(0)[5] = 0;
        return records;
    };
    const ScratchFolder folder;
    const std::string bankFile = folder.path("bank-a.zentari");
    {
        const DialogAnswer answer(bankFile);
        press(slot(2));
        ASSERT_TRUE(endsWith("File saved successfully")) << status().toStdString();
        EXPECT_EQ(answer.shownName, "siravelPresetsBankA.zentari");
    }
    screenshot("saved-bank-a");
    EXPECT_EQ(std::filesystem::file_size(bankFile), 1220736u);
    {
        const hidsim::Lock lock = hidsim::lock();
        ASSERT_NE(content(1, 5), content(0, 5)) << "the banks differ beforehand";
    }
    {
        const DialogAnswer answer(bankFile);
        press(slot(5));
        ASSERT_TRUE(endsWith("Presets loaded successfully")) << status().toStdString();
    }
    screenshot("loaded-bank-b");
    std::size_t received = 0;
    {
        const hidsim::Lock lock = hidsim::lock();
        received = device->received.size();
        for (int slot = 0; slot < 64; ++slot) {
            ASSERT_EQ(content(1, slot), content(0, slot)) << slot;
            ASSERT_EQ(content(3, slot), content(2, slot)) << slot;
        }
    }
    const DialogAnswer answer(folder.write("tables.zentari", "short"));
    press(slot(6));
    ASSERT_TRUE(endsWith("Wrong wavetables file")) << status().toStdString();
    screenshot("wrong-wavetables");
    const hidsim::Lock lock = hidsim::lock();
    EXPECT_EQ(device->received.size(), received);
}

}  // namespace
}  // namespace zt::test
