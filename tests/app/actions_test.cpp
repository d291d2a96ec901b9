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
using hidsim::KbootBootloader;

constexpr int kUpdate = 1;
const std::string kWait = "Take SD card out and press reset button.", kSelect = "Select firmware file";

class ActionsTest : public ToolTest {
protected:
    std::shared_ptr<KbootBootloader> mondrelLoader() {  // row 5: KBOOT only
        tool->registry.select(5);
        auto kboot = std::make_shared<KbootBootloader>();
        hidsim::attach(0x16D0, 0x0EA1, kboot);
        return kboot;
    }
    // What the user sees of an action: status texts, dialogs, the bar appearing and disappearing.
    Lines seen(std::size_t from) const {
        Lines out;
        const Lines log = port.log();
        for (std::size_t i = from; i < log.size(); ++i)
            for (const char* prefix : {"status", "dialog", "visible 221"})
                if (log[i].rfind(prefix, 0) == 0) out.push_back(log[i]);
        return out;
    }
    ScratchFolder folder;
};

TEST_F(ActionsTest, UpdateWaitsFifteenProbesForTheLoader) {
    tool->registry.select(5);
    pressAction(kUpdate);
    EXPECT_EQ(port.statuses(), (Lines{kWait, "Update failed (timeout exceeded)"}));
    EXPECT_EQ(sleptMilliseconds(), 15000);
    EXPECT_EQ(hidsim::openAttempts(0x16D0, 0x0EA1), 15);
    EXPECT_FALSE(port.progressVisible());
}

TEST_F(ActionsTest, UpdateStatusSequences) {
    const std::vector<std::uint8_t> firmware = patternBytes(9000);
    const std::string good = folder.write("mondrel-2.0.hex", hexFile({{0, firmware}}));
    const struct {
        const char* what;
        std::optional<std::string> chosen;  // nullopt: the dialog is cancelled
        bool refuseReset;
        std::string status;
        bool barVisible;  // a failed install leaves the bar where it stopped
    } cases[] = {
        {"name lacks the kind's key", folder.write("jubble.hex", ":00"), false, "Invalid firmware file (1)", false},
        {"content not Intel HEX", folder.write("mondrel.kzt", "PK\x03\x04"), false, "Invalid firmware file (2)", false},
        {"dialog cancelled", std::nullopt, false, "", false},
        {"reset refused", good, true, "Update failed (54)", true},
        {"success", good, false, "Updated successfully", false},
    };
    std::string proposed;  // a dialog proposes the last path confirmed, cancelled or not
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        auto kboot = mondrelLoader();
        if (c.refuseReset) kboot->failCommand(11, KbootBootloader::Fault::ErrorStatus);
        port.answerDialog(c.chosen);
        const std::size_t before = port.statuses().size();
        pressAction(kUpdate);
        EXPECT_EQ(port.dialogs().back().proposed, proposed);
        proposed = c.chosen.value_or(proposed);
        const bool installs = c.status.rfind("Update", 0) == 0;
        Lines expected{kWait, kSelect, "Updating in progress...", c.status};
        if (!installs) expected.erase(expected.begin() + 2);
        const Lines all = port.statuses();
        EXPECT_EQ(Lines(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()), expected);
        EXPECT_EQ(port.progressVisible(), c.barVisible);
        EXPECT_EQ(sleptMilliseconds(), 0) << "the loader answered the first probe";
        const auto& tags = kboot->commandTags;  // without an install only the probe's questions
        EXPECT_TRUE(installs || std::count(tags.begin(), tags.end(), 7u) == std::ssize(tags));
        if (c.status == "Updated successfully") {  // the bar ran full before it was hidden
            EXPECT_TRUE(std::equal(firmware.begin(), firmware.end(), kboot->flash.begin()));
            EXPECT_EQ(port.progressPosition(), 99);
        }
    }
}

constexpr int kSave = 2, kSaveB = 3, kLoad = 4, kLoadB = 5, kWaves = 6;
constexpr long kCancel = -2, kFolder = -1;
enum class Dev { Up, Silent, Refuse, None, Loader, Kboot };  // Up: in normal operation
using Ask = std::pair<const char*, const char*>;  // prompt, dialog
const Ask kSaveAsk{"status Select presets file to save", "dialog Preset File (*.zentari)"};
const Ask kLoadAsk{"status Select presets file to load", "dialog Presets File (*.zentari)"};
const Ask kWaveAsk{"status Select wavetable file to load", "dialog Wavetables File (*.zentari)"};
// Asked, then stopped before the transfer / the whole run with the bar shown and hidden again.
Lines stopped(Ask a, const std::string& end) { return {a.first, a.second, "status " + end}; }
Lines ran(Ask a, const std::string& end) {
    return {a.first, a.second, "visible 221 1", "status Transfer in progress...", "status " + end,
            "visible 221 0"};
}

// Whole files of end records, so that a refusing device is asked about every one.
std::string endRecords(long size) {
    std::string text(static_cast<std::size_t>(size), '\0');
    for (std::size_t i = 0; i < text.size(); i += 64) text[i] = 2;
    return text;
}

TEST_F(ActionsTest, TransferStatusSequences) {
    const struct {
        const char* what;
        unsigned row;  // 0 one bank, 1 no presets, 3 two banks
        int slot;
        Dev dev;
        long file;  // bytes in the file to load (ignored by saves), or kCancel, kFolder
        Lines seen;
    } cases[] = {
        // A device waiting in a loader cannot take a transfer: nothing is asked.
        {"first-stage loader", 0, kSave, Dev::Loader, 0, {"status Restart device"}},
        {"KBOOT loader", 3, kWaves, Dev::Kboot, 0, {"status Restart device"}},
        {"one bank, save B", 0, kSaveB, Dev::Up, 0, {}},  // bank actions: nothing for other kinds
        {"no presets, load B", 1, kLoadB, Dev::Up, 1220736, {}},
        {"cancel save", 3, kSave, Dev::Up, kCancel, stopped(kSaveAsk, "")},
        {"bank B one byte short", 3, kLoadB, Dev::Up, 1220735, stopped(kLoadAsk, "Wrong presets file")},
        {"one bank, two-bank size", 0, kLoad, Dev::Up, 1220736, stopped(kLoadAsk, "Wrong presets file")},
        {"a folder", 3, kWaves, Dev::Up, kFolder, stopped(kWaveAsk, "Wrong wavetables file")},
        {"save, no device", 3, kSave, Dev::None, 0, ran(kSaveAsk, "Presets transfer failed (1)")},
        {"save B, silent device", 3, kSaveB, Dev::Silent, 0, ran(kSaveAsk, "Presets transfer failed (5)")},
        {"save, kind without presets", 1, kSave, Dev::Up, 0, ran(kSaveAsk, "Presets transfer failed (99)")},
        {"load, no device", 3, kLoad, Dev::None, 1220736, ran(kLoadAsk, "Presets transfer failed (2)")},
        {"wavetables refused", 3, kWaves, Dev::Refuse, 1024128, ran(kWaveAsk, "Wavetables transfer failed (5)")},
        {"save one bank", 0, kSave, Dev::Up, 0, ran(kSaveAsk, "File saved successfully")},
        {"save bank B", 3, kSaveB, Dev::Up, 0, ran(kSaveAsk, "File saved successfully")},
        {"load one bank", 0, kLoad, Dev::Up, 704640, ran(kLoadAsk, "File loaded successfully")},
        {"load bank A", 3, kLoad, Dev::Up, 1220736, ran(kLoadAsk, "File loaded successfully")},
        {"load bank B", 3, kLoadB, Dev::Up, 1220736, ran(kLoadAsk, "Presets loaded successfully")},
        {"load wavetables", 3, kWaves, Dev::Up, 1024128, ran(kWaveAsk, "Wavetables loaded successfully")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        const DeviceKind& kind = tool->registry.row(c.row);
        using Shape = hidsim::PresetDevice::Shape;
        auto device = std::make_shared<hidsim::PresetDevice>(c.row ? Shape::TwoBanks : Shape::OneBank);
        if (c.dev == Dev::Silent) device->silence();
        if (c.dev == Dev::Refuse) device->refuseEveryRecord();
        if (c.dev < Dev::None) hidsim::attach(kind.vendorId, kind.productId, device);
        if (c.dev == Dev::Loader) hidsim::attach(0x16C0, 0x0478, device);
        if (c.dev == Dev::Kboot) hidsim::attach(kind.vendorId, kind.productId, std::make_shared<KbootBootloader>());
        tool->registry.select(c.row);
        const bool save = c.slot < kLoad;
        const std::string path = folder.path(c.what);
        if (c.file == kFolder) std::filesystem::create_directory(path);
        if (!save && c.file >= 0) folder.write(c.what, endRecords(c.file));
        if (c.seen.size() > 1) port.answerDialog(c.file == kCancel ? std::nullopt : std::optional(path));
        const std::size_t from = port.log().size();
        pressAction(c.slot);
        EXPECT_EQ(seen(from), c.seen);
        const bool ran = c.seen.size() == 6, done = ran && c.seen[4].find("successfully") != std::string::npos;
        EXPECT_TRUE(ran || device->received.empty());
        if (save) {  // a save that did not succeed leaves no file behind
            EXPECT_EQ(std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0,
                      done ? (c.row == 0 ? 704640u : 1220736u) : 0u);
        } else if (done) {
            EXPECT_EQ(device->received.size(), static_cast<std::size_t>(c.file / 64));
        }
    }
}

// A save proposes its default name; a load proposes whatever the buffer holds last.
TEST_F(ActionsTest, TransferDialogsProposeDefaultNamesAndTheLastPath) {
    const std::string chosen = folder.write("chosen.zentari", "x");
    const std::tuple<unsigned, int, const char*, const char*> steps[] = {
        {0, kSave, nullptr, "kadoPresets.zentari"},
        {0, kLoad, chosen.c_str(), "kadoPresets.zentari"},  // confirmed, then refused as a wrong file
        {0, kLoad, nullptr, chosen.c_str()},
        {3, kSave, nullptr, "siravelPresetsBankA.zentari"},
        {3, kWaves, nullptr, "siravelPresetsBankA.zentari"},
        {3, kSaveB, nullptr, "siravelPresetsBankB.zentari"},
    };
    for (const auto& [row, slot, answer, proposed] : steps) {
        tool->registry.select(row);
        port.answerDialog(answer ? std::optional<std::string>(answer) : std::nullopt);
        pressAction(slot);
        EXPECT_EQ(port.dialogs().back().proposed, proposed) << row << " " << slot;
    }
}

}  // namespace
}  // namespace zt::test
