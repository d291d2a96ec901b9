// The "Update" and the five transfer buttons from press to final status, on the recording port
// with emulated devices.
#include <filesystem>
#include <optional>

#include "hidsim/kboot_bootloader.h"
#include "hidsim/preset_device.h"
#include "support/hex_text.h"
#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using Lines = std::vector<std::string>;
using hidsim::PresetDevice;
using hidsim::Record;
constexpr int kSave = 2, kSaveB = 3, kLoad = 4, kLoadB = 5, kWaves = 6;
const Lines kSaveAsk{"status Select presets file to save", "dialog Preset File (*.zentari)"};
const Lines kLoadAsk{"status Select presets file to load", "dialog Presets File (*.zentari)"};
const Lines kWaveAsk{"status Select wavetable file to load", "dialog Wavetables File (*.zentari)"};

// Asked, then ended before the transfer; or the whole run, the bar shown and hidden around it.
Lines stopped(Lines ask, const std::string& end) {
    ask.push_back("status " + end);
    return ask;
}
Lines ran(Lines ask, const std::string& end) {
    ask.insert(ask.end(), {"visible 221 1", "status Transfer in progress...", "status " + end,
                           "visible 221 0"});
    return ask;
}

class ActionsTest : public ToolTest {
protected:
    // What the user sees of a press: status texts, dialogs, the bar appearing and disappearing.
    Lines press(int slot) {
        const std::size_t from = port.log().size();
        pressAction(slot);
        const Lines log = port.log();
        Lines seen;
        for (auto line = log.begin() + std::ptrdiff_t(from); line != log.end(); ++line) {
            for (const char* shown : {"status", "dialog", "visible 221"}) {
                if (line->starts_with(shown)) seen.push_back(*line);
            }
        }
        return seen;
    }
};

// Which bank and which file each button of each kind touches: file bytes after a save; for a
// load, the records the device gets, SectionRecords' selectors (0..3) set to the bank.
TEST_F(ActionsTest, EveryButtonTouchesItsBankAndFile) {
    struct Row {
        const char* button;
        unsigned kind;
        int slot, bank;
        long records;          // to save, slots; to load, records
        const char* proposed;  // a save's default name; for a load, the row before it
        Lines seen;
    };
    const Row rows[] = {
        {"Save Presets", 0, kSave, 0, 256, "kadoPresets.zentari",
         ran(kSaveAsk, "File saved successfully")},
        {"Load Presets", 0, kLoad, -1, 11010, "Save Presets",
         ran(kLoadAsk, "File loaded successfully")},
        {"Save Bank A", 3, kSave, 0, 64, "siravelPresetsBankA.zentari",
         ran(kSaveAsk, "File saved successfully")},
        {"Save Bank B", 3, kSaveB, 1, 64, "siravelPresetsBankB.zentari",
         ran(kSaveAsk, "File saved successfully")},
        {"Load Bank A", 3, kLoad, 0, 19074, "Save Bank B",
         ran(kLoadAsk, "File loaded successfully")},
        {"Load Bank B", 3, kLoadB, 1, 19074, "Load Bank A",
         ran(kLoadAsk, "Presets loaded successfully")},
        {"Load Wavetables", 3, kWaves, -1, 16002, "Load Bank B",
         ran(kWaveAsk, "Wavetables loaded successfully")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.button);
        const DeviceKind& kind = tool->registry.row(row.kind);
        auto device = std::make_shared<PresetDevice>(row.kind == 0 ? PresetDevice::Shape::OneBank
                                                                   : PresetDevice::Shape::TwoBanks);
        hidsim::detachAll();
        hidsim::attach(kind.vendorId, kind.productId, device);
        tool->registry.select(row.kind);
        const bool save = row.slot < kLoad;
        std::vector<Record> expected;
        Bytes file;
        for (long i = 0; !save && i < row.records; ++i) {
            Record r{static_cast<unsigned char>(i % 3 == 0 ? 4 : 1), 0, 0, 0,
                     static_cast<unsigned char>(i % 5)};
            file.insert(file.end(), r.begin(), r.end());
            if (r[0] == 4 && r[4] < 4 && row.bank >= 0) r[4] = (r[4] & 2) | row.bank;
            expected.push_back(r);
        }
        if (save) file = savedBank(*device, row.bank, static_cast<int>(row.records));
        if (!save) writeFile(path(row.button), file);
        port.answerDialog(path(row.button));
        EXPECT_EQ(press(row.slot), row.seen);
        EXPECT_EQ(port.dialogs().back().proposed, save ? row.proposed : path(row.proposed));
        EXPECT_TRUE(device->received == (save ? device->received : expected));
        EXPECT_TRUE(readFile(path(row.button)) == file);
    }
}

// Every way a transfer button ends short of success, and what the user then sees.
TEST_F(ActionsTest, EveryEarlyEndAndFailureCode) {
    enum Device { Up, Silent, Refusing, None, FirstStage, Kboot };
    struct Row {
        const char* what;
        unsigned kind;  // 0 one bank, 1 no presets, 3 two banks
        int slot;
        Device device;
        long size;  // of the file chosen; -1: the dialog is cancelled; -2: a folder
        Lines seen;
    };
    const Row rows[] = {
        {"first-stage loader", 0, kSave, FirstStage, 0, {"status Restart device"}},
        {"KBOOT loader", 3, kWaves, Kboot, 0, {"status Restart device"}},
        {"one bank, Save Bank B", 0, kSaveB, Up, 0, {}},
        {"no presets, Load Bank B", 1, kLoadB, Up, 1220736, {}},
        {"cancelled", 3, kSave, Up, -1, stopped(kSaveAsk, "")},
        {"one byte short", 3, kLoadB, Up, 1220735, stopped(kLoadAsk, "Wrong presets file")},
        {"one bank, two-bank size", 0, kLoad, Up, 1220736, stopped(kLoadAsk, "Wrong presets file")},
        {"a folder", 3, kWaves, Up, -2, stopped(kWaveAsk, "Wrong wavetables file")},
        {"no device", 3, kSave, None, 0, ran(kSaveAsk, "Presets transfer failed (1)")},
        {"silent", 3, kSaveB, Silent, 0, ran(kSaveAsk, "Presets transfer failed (5)")},
        {"no presets", 1, kSave, Up, 0, ran(kSaveAsk, "Presets transfer failed (99)")},
        {"load, no device", 3, kLoad, None, 1220736, ran(kLoadAsk, "Presets transfer failed (2)")},
        {"refused", 3, kWaves, Refusing, 1024128, ran(kWaveAsk, "Wavetables transfer failed (5)")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        hidsim::detachAll();
        const DeviceKind& kind = tool->registry.row(row.kind);
        auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        device->silentAfter = row.device == Silent ? 0 : -1;
        device->acceptStatus = row.device == Refusing ? 0 : 1;
        if (row.device < None) hidsim::attach(kind.vendorId, kind.productId, device);
        if (row.device == FirstStage) hidsim::attach(0x16C0, 0x0478, device);
        if (row.device == Kboot) {
            hidsim::attach(kind.vendorId, kind.productId, std::make_shared<hidsim::KbootBootloader>());
        }
        tool->registry.select(row.kind);
        Bytes endRecords(std::size_t(std::max(row.size, 0L)));  // each one acknowledged
        for (std::size_t i = 0; i < endRecords.size(); i += 64) endRecords[i] = 2;
        if (row.size >= 0) writeFile(path(row.what), endRecords);
        if (row.size == -2) std::filesystem::create_directory(path(row.what));
        if (row.seen.size() > 1) {
            port.answerDialog(row.size == -1 ? std::nullopt : std::optional(path(row.what)));
        }
        EXPECT_EQ(press(row.slot), row.seen);
        if (row.seen.size() < 6) {
            EXPECT_TRUE(device->received.empty());
        }
    }
}

// "Update" from press to final status: the loader wait, the file checks, the outcome.
TEST_F(ActionsTest, UpdateStatusSequences) {
    const std::vector<std::uint8_t> firmware = patternBytes(9000);
    const std::string hex = hexFile({{0, firmware}});
    writeFile(path("mondrel-2.0.hex"), Bytes(hex.begin(), hex.end()));
    writeFile(path("mondrel.kzt"), Bytes{'P', 'K', 3, 4});
    const std::string kWait = "Take SD card out and press reset button.";
    const std::string kSelect = "Select firmware file";
    struct Row {
        const char* what;
        const char* chosen;  // nullptr: the dialog is cancelled
        bool loader, refuseReset;
        Lines statuses;
    };
    const Row rows[] = {
        {"no loader", nullptr, false, false, {kWait, "Update failed (timeout exceeded)"}},
        {"no kind key", "jubble.hex", true, false, {kWait, kSelect, "Invalid firmware file (1)"}},
        {"not Intel HEX", "mondrel.kzt", true, false, {kWait, kSelect, "Invalid firmware file (2)"}},
        {"cancelled", nullptr, true, false, {kWait, kSelect, ""}},
        {"reset refused", "mondrel-2.0.hex", true, true,
         {kWait, kSelect, "Updating in progress...", "Update failed (54)"}},
        {"updated", "mondrel-2.0.hex", true, false,
         {kWait, kSelect, "Updating in progress...", "Updated successfully"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        hidsim::detachAll();
        tool->registry.select(5);  // KBOOT only
        auto kboot = std::make_shared<hidsim::KbootBootloader>();
        if (row.loader) hidsim::attach(0x16D0, 0x0EA1, kboot);
        if (row.refuseReset) kboot->failCommand(11, hidsim::KbootBootloader::Fault::ErrorStatus);
        if (row.loader) port.answerDialog(row.chosen ? std::optional(path(row.chosen)) : std::nullopt);
        const long long slept = sleptMilliseconds();
        const std::size_t before = port.statuses().size();
        pressAction(1);
        const Lines all = port.statuses();
        EXPECT_EQ(Lines(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), row.statuses);
        EXPECT_EQ(sleptMilliseconds() - slept, row.loader ? 0 : 15000);
        EXPECT_EQ(port.progressVisible(), row.refuseReset);  // the bar shows where it stopped
        const bool installed = row.statuses.size() == 4;
        EXPECT_EQ(std::equal(firmware.begin(), firmware.end(), kboot->flash.begin()), installed);
    }
}

}  // namespace
}  // namespace zt::test
