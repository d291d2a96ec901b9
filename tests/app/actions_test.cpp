// The "Update" and the five transfer buttons from press to final status, on the recording port.
#include <filesystem>
#include <optional>

#include "hidsim/kboot_bootloader.h"
#include "support/hex_text.h"
#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using Lines = std::vector<std::string>;
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

using ActionsTest = ToolTest;

// Which bank and which file each button of each kind touches (the saved file's bytes; for a load
// the records the device gets, a SectionRecord's selector 0..3 set to the bank), and every way a
// button ends short of success.
TEST_F(ActionsTest, TransferButtons) {
    // Up acknowledges with status 1, Odd with 0x8000, Refusing with 0; Failing fails write 100.
    enum Attached { Up, Odd, Silent, Refusing, Failing, None, FirstStage, Kboot };
    struct Row {
        const char* what;
        unsigned kind;  // 0 one bank, 1 no presets, 3 two banks
        int slot;
        Attached device;
        long size;  // a save: slots; a load: records; -1 the dialog is cancelled, -2 a folder
        int bank;   // where the records come from or go to; -1 unchanged
        Lines seen;
    };
    const Row rows[] = {
        {"Save Presets", 0, kSave, Up, 256, 0, ran(kSaveAsk, "File saved successfully")},
        {"Load Presets", 0, kLoad, Up, 11010, -1, ran(kLoadAsk, "File loaded successfully")},
        {"Save Bank A", 3, kSave, Up, 64, 0, ran(kSaveAsk, "File saved successfully")},
        {"Save Bank B", 3, kSaveB, Up, 64, 1, ran(kSaveAsk, "File saved successfully")},
        {"Load Bank A", 3, kLoad, Odd, 19074, 0, ran(kLoadAsk, "File loaded successfully")},
        {"Load Bank B", 3, kLoadB, Up, 19074, 1, ran(kLoadAsk, "Presets loaded successfully")},
        {"Load Wavetables", 3, kWaves, Up, 16002, -1,
         ran(kWaveAsk, "Wavetables loaded successfully")},
        {"first-stage loader", 0, kSave, FirstStage, 256, 0, {"status Restart device"}},
        {"KBOOT loader", 3, kWaves, Kboot, 16002, -1, {"status Restart device"}},
        {"one bank, Save Bank B", 0, kSaveB, Up, 256, 1, {}},
        {"no presets, Load Bank B", 1, kLoadB, Up, 19074, 1, {}},
        {"cancelled", 3, kSave, Up, -1, 0, stopped(kSaveAsk, "")},
        {"a record short", 3, kLoadB, Up, 19073, 1, stopped(kLoadAsk, "Wrong presets file")},
        {"two-bank size", 0, kLoad, Up, 19074, -1, stopped(kLoadAsk, "Wrong presets file")},
        {"a folder", 3, kWaves, Up, -2, -1, stopped(kWaveAsk, "Wrong wavetables file")},
        {"no device", 3, kSave, None, 64, 0, ran(kSaveAsk, "Presets transfer failed (1)")},
        {"silent", 3, kSaveB, Silent, 64, 1, ran(kSaveAsk, "Presets transfer failed (5)")},
        {"no presets", 1, kSave, Up, 64, 0, ran(kSaveAsk, "Presets transfer failed (99)")},
        {"no device", 3, kLoad, None, 19074, 0, ran(kLoadAsk, "Presets transfer failed (2)")},
        {"refused", 3, kWaves, Refusing, 16002, -1, ran(kWaveAsk, "Wavetables transfer failed (5)")},
        {"write 100 fails", 3, kLoadB, Failing, 19074, 1, ran(kLoadAsk, "Presets transfer failed (3)")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const DeviceKind& kind = tool->registry.row(row.kind);
        const bool save = row.slot < kLoad;
        auto device = std::make_shared<hidsim::PresetDevice>(
            row.kind == 0 ? hidsim::PresetDevice::Shape::OneBank : hidsim::PresetDevice::Shape::TwoBanks);
        device->silentAfter = row.device == Silent ? 0 : -1;
        device->acceptStatus = row.device == Refusing ? 0 : (row.device == Odd ? 0x8000 : 1);
        device->refuseWrite = row.device == Failing ? 100 : 0;
        hidsim::detachAll();
        if (row.device < None) hidsim::attach(kind.vendorId, kind.productId, device);
        if (row.device == FirstStage) hidsim::attach(0x16C0, 0x0478, device);
        if (row.device == Kboot) {
            hidsim::attach(kind.vendorId, kind.productId, std::make_shared<hidsim::KbootBootloader>());
        }
        tool->registry.select(row.kind);
        const std::string file = path(std::to_string(&row - rows));
        Bytes bytes;  // to load: SectionRecords, DataRecords and EndRecords, selectors 0..4
        std::vector<hidsim::Record> expected;
        for (long i = 0; !save && i < row.size; ++i) {
            hidsim::Record r{static_cast<unsigned char>(i % 3 == 0 ? 4 : i % 3), 0, 0, 0,
                             static_cast<unsigned char>(i % 5)};
            bytes.insert(bytes.end(), r.begin(), r.end());
            if (r[0] == 4 && r[4] < 4 && row.bank >= 0) r[4] = (r[4] & 2) | row.bank;
            expected.push_back(r);
        }
        if (!save && row.size >= 0) writeFile(file, bytes);
        if (row.size == -2) std::filesystem::create_directory(file);
        if (row.seen.size() > 1) port.answerDialog(row.size == -1 ? std::nullopt : std::optional(file));
        const std::string proposed = tool->paths.presetsPath;  // what a load proposes
        const std::size_t from = port.log().size();
        pressAction(row.slot);
        const Lines log = port.log();
        Lines seen;  // status texts, dialogs, the bar appearing and disappearing
        for (auto line = log.begin() + std::ptrdiff_t(from); line != log.end(); ++line) {
            for (const char* shown : {"status", "dialog", "visible 221"}) {
                if (line->starts_with(shown)) seen.push_back(*line);
            }
        }
        EXPECT_EQ(seen, row.seen);
        std::string name = row.slot == kSaveB ? "siravelPresetsBankB" : "siravelPresetsBankA";
        name = (row.kind == 0 ? "kadoPresets" : name) + ".zentari";
        const std::string wanted = save && row.kind != 1 ? name : proposed;
        EXPECT_TRUE(seen.size() < 2 || port.dialogs().back().proposed == wanted);
        const bool done = seen.size() == 6 && seen[4].ends_with("successfully");
        // The transfer's own calls, after the loader probe's: each waits 1000 ms.
        const auto& calls = device->calls;
        auto call = std::find_if(calls.rbegin(), calls.rend(), [](const hidsim::Call& c) {
                        return c.op == hidsim::Call::Open;
                    }).base();
        long reads = 0;
        for (; seen.size() == 6 && call != calls.end(); ++call) {
            EXPECT_TRUE(call->op == hidsim::Call::Close || call->timeoutMs == 1000);
            reads += call->op == hidsim::Call::Read;
        }
        // Done: the bank's bytes saved, or the records sent, each acknowledged one (every third)
        // waited for; ended early: nothing sent; failed: no record sent past the failure.
        EXPECT_TRUE(!done || !save || readFile(file) == savedBank(*device, row.bank, int(row.size)));
        EXPECT_TRUE(!done || save || (device->received == expected && reads == row.size / 3));
        const std::vector<hidsim::Record>& got = device->received;
        EXPECT_TRUE(save || std::equal(got.begin(), got.end(), expected.begin()));
        EXPECT_TRUE(seen.size() == 6 || got.empty());
    }
}

// "Update" from press to final status: the loader wait, the file checks, the outcome.
TEST_F(ActionsTest, UpdateButton) {
    const std::vector<std::uint8_t> firmware = patternBytes(9000);
    const std::string hex = hexFile({{0, firmware}});
    writeFile(path("mondrel-2.0.hex"), Bytes(hex.begin(), hex.end()));
    writeFile(path("mondrel.kzt"), Bytes{'P', 'K', 3, 4});
    const std::string wait = "Take SD card out and press reset button.";
    const std::string select = "Select firmware file";
    struct Row {
        const char* chosen;  // nullptr: the dialog is cancelled
        bool loader, refuseReset;
        Lines statuses;
    };
    const Row rows[] = {
        {nullptr, false, false, {wait, "Update failed (timeout exceeded)"}},
        {"jubble.hex", true, false, {wait, select, "Invalid firmware file (1)"}},
        {"mondrel.kzt", true, false, {wait, select, "Invalid firmware file (2)"}},
        {nullptr, true, false, {wait, select, ""}},
        {"mondrel-2.0.hex", true, true, {wait, select, "Updating in progress...", "Update failed (54)"}},
        {"mondrel-2.0.hex", true, false, {wait, select, "Updating in progress...", "Updated successfully"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.statuses.back());
        hidsim::detachAll();
        tool->registry.select(5);  // KBOOT only
        auto kboot = std::make_shared<hidsim::KbootBootloader>();
        if (row.loader) hidsim::attach(0x16D0, 0x0EA1, kboot);
        if (row.refuseReset) kboot->failCommand(11, hidsim::KbootBootloader::Fault::ErrorStatus);
        if (row.loader) port.answerDialog(row.chosen ? std::optional(path(row.chosen)) : std::nullopt);
        const long long slept = sleptMilliseconds.load();
        const auto from = std::ssize(port.statuses());
        pressAction(1);
        const Lines statuses = port.statuses();
        EXPECT_EQ(Lines(statuses.begin() + from, statuses.end()), row.statuses);
        EXPECT_EQ(sleptMilliseconds.load() - slept, row.loader ? 0 : 15000);
        EXPECT_EQ(port.progressVisible(), row.refuseReset);  // the bar shows where it stopped
        const bool installed = row.statuses.size() == 4;
        EXPECT_EQ(std::equal(firmware.begin(), firmware.end(), kboot->flash.begin()), installed);
    }
}

}  // namespace
}  // namespace zt::test
