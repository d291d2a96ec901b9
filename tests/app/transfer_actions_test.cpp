#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <optional>

#include "hidsim/kboot_bootloader.h"
#include "hidsim/preset_device.h"
#include "support/tool_fixture.h"
#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;
using Lines = std::vector<std::string>;

constexpr unsigned kOneBankRow = 0, kNoPresetsRow = 1, kTwoBankRow = 3;
constexpr int kSavePresets = 2, kSaveBankB = 3, kLoadPresets = 4, kLoadBankB = 5, kLoadWavetables = 6;

const char* const kSaveDialog = "dialog Preset File (*.zentari)";
const char* const kLoadDialog = "dialog Presets File (*.zentari)";
const char* const kWavetablesDialog = "dialog Wavetables File (*.zentari)";
const char* const kBarShown = "visible 221 1";
const char* const kBarHidden = "visible 221 0";

class TransferActionsTest : public ToolTest {
protected:
    std::shared_ptr<PresetDevice> attachDevice(unsigned row) {
        auto device = std::make_shared<PresetDevice>(row == kOneBankRow ? PresetDevice::Shape::OneBank
                                                                        : PresetDevice::Shape::TwoBanks);
        const DeviceKind& kind = tool->registry.row(row);
        hidsim::attach(static_cast<std::uint16_t>(kind.vendorId),
                       static_cast<std::uint16_t>(kind.productId), device);
        tool->registry.select(row);
        return device;
    }
    // What the user sees of an action, from the moment of the mark: status texts, dialogs, and the
    // progress bar appearing and disappearing.
    void mark() { marked_ = port.log().size(); }
    Lines seen() const {
        Lines out;
        const Lines log = port.log();
        for (std::size_t i = marked_; i < log.size(); ++i) {
            const std::string& line = log[i];
            if (line.rfind("status", 0) == 0 || line.rfind("dialog", 0) == 0 ||
                line.rfind("visible 221", 0) == 0) {
                out.push_back(line);
            }
        }
        return out;
    }
    std::string lastProposed() const { return port.dialogs().back().proposed; }

    TempFolder folder;
    std::size_t marked_ = 0;
};

// A device waiting in a loader cannot take a transfer: every action says so and asks nothing,
// whichever loader it waits in and whichever kind is selected.
TEST_F(TransferActionsTest, LoaderAttachedShowsRestartDevice) {
    struct Loader {
        const char* name;
        unsigned row;
        bool firstStage;
    };
    const Loader loaders[] = {
        {"one-bank kind, first-stage loader", kOneBankRow, true},
        {"two-bank kind, first-stage loader", kTwoBankRow, true},
        {"two-bank kind, KBOOT loader", kTwoBankRow, false},
    };
    for (const Loader& loader : loaders) {
        for (int slot = kSavePresets; slot <= kLoadWavetables; ++slot) {
            SCOPED_TRACE(testing::Message() << loader.name << ", slot " << slot);
            hidsim::detachAll();
            if (loader.firstStage) {
                hidsim::attach(0x16C0, 0x0478, std::make_shared<hidsim::PresenceDevice>());
            } else {
                const DeviceKind& kind = tool->registry.row(loader.row);
                hidsim::attach(static_cast<std::uint16_t>(kind.vendorId),
                               static_cast<std::uint16_t>(kind.productId),
                               std::make_shared<hidsim::KbootBootloader>());
            }
            tool->registry.select(loader.row);
            mark();
            pressAction(slot);
            EXPECT_EQ(seen(), Lines{"status Restart device"});
            EXPECT_TRUE(port.dialogs().empty());
        }
    }
}

// The bank actions are gated on two banks: for another kind they do nothing at all.
TEST_F(TransferActionsTest, BankActionsDoNothingForOtherKinds) {
    for (unsigned row : {kOneBankRow, kNoPresetsRow}) {
        for (int slot : {kSaveBankB, kLoadBankB, kLoadWavetables}) {
            SCOPED_TRACE(testing::Message() << "row " << row << ", slot " << slot);
            hidsim::detachAll();
            attachDevice(row);
            mark();
            pressAction(slot);
            EXPECT_TRUE(seen().empty());
            EXPECT_TRUE(port.dialogs().empty());
        }
    }
}

// A cancelled dialog ends the action with an empty status and the bar untouched.
TEST_F(TransferActionsTest, CancelLeavesAnEmptyStatus) {
    struct Case {
        int slot;
        const char* prompt;
        const char* dialog;
    };
    const Case cases[] = {
        {kSavePresets, "status Select presets file to save", kSaveDialog},
        {kSaveBankB, "status Select presets file to save", kSaveDialog},
        {kLoadPresets, "status Select presets file to load", kLoadDialog},
        {kLoadBankB, "status Select presets file to load", kLoadDialog},
        {kLoadWavetables, "status Select wavetable file to load", kWavetablesDialog},
    };
    auto device = attachDevice(kTwoBankRow);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.slot);
        port.answerDialog(std::nullopt);
        mark();
        pressAction(c.slot);
        EXPECT_EQ(seen(), (Lines{c.prompt, c.dialog, "status "}));
    }
    EXPECT_TRUE(device->received.empty());
}

// A file of the wrong size is refused before the device hears anything.
TEST_F(TransferActionsTest, WrongFileIsRefusedAndNothingIsSent) {
    struct Case {
        const char* name;
        unsigned row;
        int slot;
        std::size_t size;  // 0: no file at all
        const char* message;
    };
    const Case cases[] = {
        {"bank B, one byte short", kTwoBankRow, kLoadBankB, 1220735, "Wrong presets file"},
        {"bank A, wavetables size", kTwoBankRow, kLoadPresets, 1024128, "Wrong presets file"},
        {"one bank, two-bank size", kOneBankRow, kLoadPresets, 1220736, "Wrong presets file"},
        {"no presets kind", kNoPresetsRow, kLoadPresets, 704640, "Wrong presets file"},
        {"missing file", kTwoBankRow, kLoadBankB, 0, "Wrong presets file"},
        {"wavetables, presets size", kTwoBankRow, kLoadWavetables, 1220736,
         "Wrong wavetables file"},
        {"wavetables, missing file", kTwoBankRow, kLoadWavetables, 0, "Wrong wavetables file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        auto device = attachDevice(c.row);
        const std::string path = folder.file(std::string(c.name) + ".zentari");
        if (c.size > 0) writeFile(path, Bytes(c.size, 0));
        port.answerDialog(path);
        pressAction(c.slot);
        EXPECT_EQ(port.status(), c.message);
        EXPECT_FALSE(port.progressVisible());
        EXPECT_TRUE(device->received.empty());
        EXPECT_EQ(device->requests, 0);
    }
}

TEST_F(TransferActionsTest, AFolderIsAWrongFile) {
    auto device = attachDevice(kTwoBankRow);
    const std::string path = folder.file("folder.zentari");
    std::filesystem::create_directory(path);
    port.answerDialog(path);
    pressAction(kLoadWavetables);
    EXPECT_EQ(port.status(), "Wrong wavetables file");
    EXPECT_TRUE(device->received.empty());
}

// Each action's whole sequence on success: prompt, dialog, bar shown, progress text, the action's
// own success text, bar hidden.
TEST_F(TransferActionsTest, SuccessSequences) {
    struct Case {
        const char* name;
        unsigned row;
        int slot;
        std::size_t fileSize;  // a file to load; 0 for a save
        const char* prompt;
        const char* dialog;
        const char* success;
    };
    const Case cases[] = {
        {"save presets", kOneBankRow, kSavePresets, 0, "status Select presets file to save",
         kSaveDialog, "status File saved successfully"},
        {"save bank A", kTwoBankRow, kSavePresets, 0, "status Select presets file to save",
         kSaveDialog, "status File saved successfully"},
        {"save bank B", kTwoBankRow, kSaveBankB, 0, "status Select presets file to save", kSaveDialog,
         "status File saved successfully"},
        {"load presets", kOneBankRow, kLoadPresets, 704640, "status Select presets file to load",
         kLoadDialog, "status File loaded successfully"},
        {"load bank A", kTwoBankRow, kLoadPresets, 1220736, "status Select presets file to load",
         kLoadDialog, "status File loaded successfully"},
        {"load bank B", kTwoBankRow, kLoadBankB, 1220736, "status Select presets file to load",
         kLoadDialog, "status Presets loaded successfully"},
        {"load wavetables", kTwoBankRow, kLoadWavetables, 1024128,
         "status Select wavetable file to load", kWavetablesDialog,
         "status Wavetables loaded successfully"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        auto device = attachDevice(c.row);
        const std::string path = folder.file(std::string(c.name) + ".zentari");
        if (c.fileSize > 0) writeFile(path, Bytes(c.fileSize, 0));
        port.answerDialog(path);
        mark();
        pressAction(c.slot);
        EXPECT_EQ(seen(), (Lines{c.prompt, c.dialog, kBarShown, "status Transfer in progress...",
                                 c.success, kBarHidden}));
        if (c.fileSize == 0) {
            EXPECT_EQ(readFile(path).size(), c.row == kOneBankRow ? 704640u : 1220736u);
        } else {
            EXPECT_EQ(device->received.size(), c.fileSize / 64);
        }
    }
}

// A transfer's code ends up in the action's own failure text, and the bar is hidden again.
TEST_F(TransferActionsTest, FailureTextsCarryTheCode) {
    struct Case {
        const char* name;
        int slot;
        bool attach;
        bool refuseAll;
        std::size_t fileSize;
        const char* failure;
    };
    const Case cases[] = {
        {"save, no device", kSavePresets, false, false, 0, "status Presets transfer failed (1)"},
        {"save bank B, silent device", kSaveBankB, true, false, 0, "status Presets transfer failed (5)"},
        {"load, no device", kLoadPresets, false, false, 1220736, "status Presets transfer failed (2)"},
        {"load bank B, refusing device", kLoadBankB, true, true, 1220736,
         "status Presets transfer failed (5)"},
        {"wavetables, refusing device", kLoadWavetables, true, true, 1024128,
         "status Wavetables transfer failed (5)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        tool->registry.select(kTwoBankRow);
        if (c.attach) {
            auto device = attachDevice(kTwoBankRow);
            if (c.refuseAll) {
                device->refuseEveryRecord();
            } else {
                device->silence();
            }
        }
        const std::string path = folder.file(std::string(c.name) + ".zentari");
        Bytes file(c.fileSize, 0);
        if (c.fileSize > 0) {
            // Whole files of EndRecords, so that every record waits for its acknowledgement.
            for (std::size_t i = 0; i < file.size(); i += 64) file[i] = 0x02;
            writeFile(path, file);
        }
        port.answerDialog(path);
        mark();
        pressAction(c.slot);
        const Lines lines = seen();
        ASSERT_GE(lines.size(), 3u);
        EXPECT_EQ(Lines(lines.end() - 3, lines.end()),
                  (Lines{"status Transfer in progress...", c.failure, kBarHidden}));
        EXPECT_FALSE(port.progressVisible());
        if (c.fileSize == 0) {
            EXPECT_FALSE(std::filesystem::exists(path));
        } else {
            EXPECT_TRUE(readFile(path) == file);
        }
    }
}

// A kind with no preset bank at all ends "Save Presets" with 99, and its buffer keeps its text.
TEST_F(TransferActionsTest, NoPresetBankGivesNinetyNine) {
    attachDevice(kNoPresetsRow);
    tool->paths.presetsPath = "earlier.zentari";
    port.answerDialog(folder.file("x.zentari"));
    pressAction(kSavePresets);
    EXPECT_EQ(lastProposed(), "earlier.zentari");
    EXPECT_EQ(port.status(), "Presets transfer failed (99)");
    EXPECT_FALSE(port.progressVisible());
}

// The save dialog always proposes the action's default name; a load dialog proposes whatever the
// buffer holds last, a default name or a confirmed path, cancelled or not.
TEST_F(TransferActionsTest, DialogsProposeDefaultNamesAndTheLastPath) {
    attachDevice(kOneBankRow);
    const std::string chosen = folder.file("chosen.zentari");
    tool->paths.presetsPath = chosen;

    port.answerDialog(std::nullopt);
    pressAction(kSavePresets);
    EXPECT_EQ(lastProposed(), "kadoPresets.zentari");
    port.answerDialog(std::nullopt);
    pressAction(kLoadPresets);
    EXPECT_EQ(lastProposed(), "kadoPresets.zentari");

    port.answerDialog(chosen);  // confirmed, then refused as a wrong file
    pressAction(kLoadPresets);
    port.answerDialog(std::nullopt);
    pressAction(kLoadPresets);
    EXPECT_EQ(lastProposed(), chosen);

    tool->registry.select(kTwoBankRow);
    const std::pair<int, const char*> saves[] = {{kSavePresets, "siravelPresetsBankA.zentari"},
                                                 {kSaveBankB, "siravelPresetsBankB.zentari"}};
    for (auto [slot, name] : saves) {
        port.answerDialog(std::nullopt);
        pressAction(slot);
        EXPECT_EQ(lastProposed(), name);
        port.answerDialog(std::nullopt);
        pressAction(kLoadWavetables);
        EXPECT_EQ(lastProposed(), name);
    }
}

// A file of the right size is sent as it is, whatever its bytes.
TEST_F(TransferActionsTest, ArbitraryBytesOfTheRightSizeAreSentAsTheyAre) {
    auto device = attachDevice(kTwoBankRow);
    const std::string path = folder.file("noise.zentari");
    const Bytes noise = arbitraryBytes(1024128, 11);
    writeFile(path, noise);
    port.answerDialog(path);
    mark();
    pressAction(kLoadWavetables);
    const std::string status = port.status();
    EXPECT_TRUE(status == "Wavetables loaded successfully" ||
                status == "Wavetables transfer failed (5)")
        << status;
    Bytes sent;
    for (const auto& report : device->written) {
        if (report.size() == 65 && report[0] == 0) sent.insert(sent.end(), report.begin() + 1, report.end());
    }
    EXPECT_TRUE(sent == noise);
}

}  // namespace
}  // namespace zt::test
