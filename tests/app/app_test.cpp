// The window's creation; the worker's choice of request and its idle wait (the Qt tests run it on
// its thread), closing during an action; the five transfer buttons and Update, press to status.
#include <future>
#include <span>
#include <thread>

#include "hidsim/kboot_bootloader.h"
#include "support/hex_text.h"
#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using Lines = std::vector<std::string>;
constexpr int kSave = 2, kSaveB = 3, kLoad = 4, kLoadB = 5, kWaves = 6;
const Lines kSaving{"status Select presets file to save", "dialog Preset File (*.zentari)"};
const Lines kLoading{"status Select presets file to load", "dialog Presets File (*.zentari)"};
const Lines kWaving{"status Select wavetable file to load", "dialog Wavetables File (*.zentari)"};

// The prompt and the dialog, then the end; around a transfer that ran, the bar shown and hidden.
Lines ran(Lines ask, const std::string& end, bool transferred = true) {
    if (transferred) ask.insert(ask.end(), {"visible 221 1", "status Transfer in progress..."});
    ask.push_back("status " + end);
    if (transferred) ask.push_back("visible 221 0");
    return ask;
}

using AppTest = ToolTest;

TEST_F(AppTest, LowestActionFirstThenDeviceRowsTheRestDroppedThenAnIdleWait) {
    std::vector<int> ran;
    for (int slot = 0; slot < 8; ++slot)
        tool->dispatcher.setHandler(slot, [&ran, slot] { ran.push_back(slot); });
    tool->dispatcher.setHandler(7, {});  // an empty handler is not taken
    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresenceDevice>());  // row 0
    using Ints = std::vector<int>;
    const std::tuple<Ints, std::vector<unsigned>, Ints, std::int32_t> rows[] = {
        {{1, 0}, {}, {0}, DevicesFound},  // Update raised first, Find runs
        {{6, 2, 4}, {}, {2}, DevicesFound},
        {{7}, {0}, {7}, DevicesFound},     // the device press is dropped
        {{}, {3, 0}, {}, DeviceSelected},  // the found row of the two is selected
        {{8, -1}, {8}, {}, DevicesFound},  // no such slot or row: nothing, and nothing overwritten
    };
    for (const auto& [slots, devices, runs, state] : rows) {
        ran.clear();
        tool->dispatcher.findDevices();
        for (int slot : slots) tool->dispatcher.raiseAction(slot);
        for (unsigned device : devices) tool->dispatcher.raiseDevice(device);
        EXPECT_EQ(tool->dispatcher.servePass(), state == DeviceSelected || !runs.empty());
        EXPECT_FALSE(tool->dispatcher.servePass());  // the rest was dropped
        EXPECT_EQ(ran, runs);
        EXPECT_EQ(tool->dispatcher.selectionState(), state);
    }
    tool->dispatcher.onCommand(tool->window.commandButton(1), 1);  // only clicks raise requests
    tool->dispatcher.onCommand(tool->window.deviceButton(0), 6);
    EXPECT_FALSE(tool->dispatcher.servePass());
    // Each wait of the idle worker must really block (its wake word re-armed), or it spins.
    static std::vector<bool> wouldBlock;
    tool->dispatcher.setIdleWait([](std::atomic<std::int32_t>& word, std::int32_t current) {
        wouldBlock.push_back(word.load() == current);
    });
    tool->dispatcher.waitForRequest();
    tool->dispatcher.raiseAction(7);
    tool->dispatcher.waitForRequest();  // a request is there: no wait at all
    EXPECT_EQ(wouldBlock, std::vector<bool>{true});
}

// Closing the tool while an action runs waits for the action: the objects it uses go only after
// it. A dispatcher destroyed last would leave the action reading a freed registry.
TEST_F(AppTest, ClosingWaitsForTheRunningAction) {
    std::promise<void> started;
    std::promise<void> release;
    std::string seen;
    const DeviceRegistry& registry = tool->registry;
    tool->dispatcher.setHandler(1, [&, done = release.get_future().share()] {
        started.set_value();
        done.wait();
        seen = registry.row(0).name;
    });
    ASSERT_TRUE(tool->dispatcher.startWorker());
    EXPECT_TRUE(tool->dispatcher.startWorker()) << "a running worker is started already";
    tool->dispatcher.raiseAction(1);
    started.get_future().wait();
    std::thread closing([this] { tool.reset(); });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // time for a wrong order to act
    release.set_value();
    closing.join();
    EXPECT_EQ(seen, "Kado");
}

// The bank and the file each button of each kind touches, and every way a button falls short.
TEST_F(AppTest, TransferButtons) {
    // Up acknowledges with status 1, Odd with 0x8000, Refusing with 0; Failing fails write 100.
    enum Attached { Up, Odd, Silent, Refusing, Failing, None, FirstStage };
    // The fault; the kind (0 one bank, 1 no presets, 3 two banks); the button; the device; the
    // size (a save: slots; a load: records; -1 the dialog is cancelled, -2 a folder); the bank
    // the records come from or go to (-1 unchanged); what the window shows.
    const std::tuple<std::string, unsigned, int, Attached, long, int, Lines> rows[] = {
        {"Save Presets", 0, kSave, Up, 256, 0, ran(kSaving, "File saved successfully")},
        {"Load Presets", 0, kLoad, Up, 11010, -1, ran(kLoading, "File loaded successfully")},
        {"Save Bank A", 3, kSave, Up, 64, 0, ran(kSaving, "File saved successfully")},
        {"Save Bank B", 3, kSaveB, Up, 64, 1, ran(kSaving, "File saved successfully")},
        {"Load Bank A", 3, kLoad, Odd, 19074, 0, ran(kLoading, "File loaded successfully")},
        {"Load Bank B", 3, kLoadB, Up, 19074, 1, ran(kLoading, "Presets loaded successfully")},
        {"Wavetables", 3, kWaves, Up, 16002, -1, ran(kWaving, "Wavetables loaded successfully")},
        {"first-stage loader", 0, kSave, FirstStage, 256, 0, {"status Restart device"}},
        {"one bank, Save Bank B", 0, kSaveB, Up, 256, 1, {}},
        {"no presets, Load Bank B", 1, kLoadB, Up, 19074, 1, {}},
        {"cancelled", 3, kSave, Up, -1, 0, ran(kSaving, "", false)},
        {"a record short", 3, kLoadB, Up, 19073, 1, ran(kLoading, "Wrong presets file", false)},
        {"two-bank size", 0, kLoad, Up, 19074, -1, ran(kLoading, "Wrong presets file", false)},
        {"a folder", 3, kWaves, Up, -2, -1, ran(kWaving, "Wrong wavetables file", false)},
        {"silent", 3, kSaveB, Silent, 64, 1, ran(kSaving, "Presets transfer failed (5)")},
        {"no presets", 1, kSave, Up, 64, 0, ran(kSaving, "Presets transfer failed (99)")},
        {"no device", 3, kLoad, None, 19074, 0, ran(kLoading, "Presets transfer failed (2)")},
        {"refused", 3, kWaves, Refusing, 16002, -1, ran(kWaving, "Wavetables transfer failed (5)")},
        {"write fails", 3, kLoadB, Failing, 19074, 1, ran(kLoading, "Presets transfer failed (3)")},
    };
    for (const auto& [what, row, slot, attached, size, bank, want] : rows) {
        SCOPED_TRACE(what);
        const DeviceKind& kind = tool->registry.row(row);
        const bool save = slot < kLoad;
        auto device = std::make_shared<hidsim::PresetDevice>(
            row ? hidsim::PresetDevice::Shape::TwoBanks : hidsim::PresetDevice::Shape::OneBank);
        device->silentAfter = attached == Silent ? 0 : -1;
        device->acceptStatus = attached == Refusing ? 0 : (attached == Odd ? 0x8000 : 1);
        device->refuseWrite = attached == Failing ? 100 : 0;
        hidsim::detachAll();
        if (attached < None) hidsim::attach(kind.vendorId, kind.productId, device);
        if (attached == FirstStage) hidsim::attach(0x16C0, 0x0478, device);
        tool->registry.select(row);
        const std::string file = folder.path(what);
        std::string bytes;  // to load: SectionRecords, DataRecords and EndRecords, selectors 0..4
        std::vector<hidsim::Record> expected;
        for (long i = 0; !save && i < size; ++i) {
            const long type = i % 3 == 0 ? 4 : (i % 6 == 5 ? 6 : i % 3);  // 2 and 6 acknowledged
            hidsim::Record r{static_cast<unsigned char>(type), 0, 0, 0,
                             static_cast<unsigned char>(i % 5)};
            r[63] = static_cast<unsigned char>(i | 1);  // the last byte too must reach the device
            bytes.append(r.begin(), r.end());
            if (r[0] == 4 && r[4] < 4 && bank >= 0) r[4] = (r[4] & 2) | bank;
            expected.push_back(r);
        }
        if (!save && size >= 0) folder.write(file, bytes);
        if (size == -2) std::filesystem::create_directory(file);
        if (want.size() > 1) port.answerDialog(size == -1 ? std::nullopt : std::optional(file));
        const std::string proposed = tool->paths.presetsPath;  // what a load proposes
        const std::size_t from = port.log().size();
        pressAction(slot);
        Lines seen;  // status texts, dialogs, the bar appearing and disappearing
        long steps = 0;  // of the bar: 0 first, then one a percent reported
        const Lines log = port.log();
        for (const std::string& line : std::span(log).subspan(from)) {
            steps += line.starts_with("position");
            for (const char* shown : {"status", "dialog", "visible 221"})
                if (line.starts_with(shown)) seen.push_back(line);
        }
        EXPECT_EQ(seen, want);
        std::string name = slot == kSaveB ? "siravelPresetsBankB" : "siravelPresetsBankA";
        name = (row == 0 ? "kadoPresets" : name) + ".zentari";
        const std::string wanted = save && row != 1 ? name : proposed;
        EXPECT_TRUE(seen.size() < 2 || port.dialogs().back() == wanted);
        const bool done = seen.size() == 6 && seen[4].ends_with("successfully");
        // Done: the bank's bytes, or the records sent (SectionRecords' selectors 0..3 set to the
        // bank) with a 1000 ms wait for each acknowledgement; else nothing past the failure.
        const long waits = std::ranges::count(device->timeouts(hidsim::Call::Read), 1000);
        EXPECT_TRUE(!done || !save || readFile(file) == savedBank(*device, bank, size));
        EXPECT_TRUE(!done || steps == (save ? (size == 256 ? 100 : 64) : 101));
        EXPECT_TRUE(!done || save || (device->received == expected && waits == size / 3));
        const auto& got = device->received;  // a prefix of the records, and only after a start
        EXPECT_TRUE(save || std::equal(got.begin(), got.end(), expected.begin()));
        EXPECT_TRUE(seen.size() == 6 || got.empty());
    }
}

// What a failed control leaves of the window's creation, and the focus.
TEST_F(AppTest, CreationStopsOnlyAtTheWindowACommandButtonOrTheBar) {
    const struct {
        const char* fault;
        int failingId;
        const char* made;  // created? | which of slots 0 to 6 | which of device rows 0 to 7 exist
    } cases[] = {
        {"a whole window reported as a failure", 0, "1|1111111|11111111"},
        {"a failed window reported as success", -1, "0|0000000|00000000"},
        {"controls made after a failed command button", 204, "0|1110000|00000000"},
        {"device buttons made after a failed progress bar", 221, "0|1111111|00000000"},
        {"a missing device button placed, or stopping the rest", 309, "1|1111111|11011111"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        FakeControlsPort fake;
        fake.failCreationOf(c.failingId);
        MainWindow window(tool->registry, fake, "v1.2.1");
        std::string made = window.create() ? "1|" : "0|";
        for (int slot = 0; slot < 7; ++slot) made += window.commandButton(slot) ? '1' : '0';
        made += '|';
        for (unsigned row = 0; row < 8; ++row) made += window.deviceButton(row) ? '1' : '0';
        EXPECT_EQ(made, c.made);
        window.placeDeviceButton(2, true, 116, 2);  // the fake refuses a control it never made
        EXPECT_EQ(fake.focus(), made[0] == '1' ? window.commandButton(0) : 0) << "focus elsewhere";
    }
}

// "Update" from press to final status: 15 probes a second apart, the name check, the outcome.
TEST_F(AppTest, UpdateButton) {
    static long slept = 0;
    setSleepHook([](int ms) { slept += ms; });
    tool->registry.select(5);  // KBOOT only
    pressAction(1);            // no loader
    EXPECT_FALSE(port.progressVisible());
    hidsim::attach(0x16D0, 0x0EA1, std::make_shared<hidsim::KbootBootloader>());
    for (const char* chosen : {"jubble.hex", "mondrel-2.hex"}) {
        port.answerDialog(folder.write(chosen, hexFile({{0, patternBytes(9000)}})));
        pressAction(1);
        EXPECT_FALSE(port.progressVisible());
    }
    const std::string wait = "Take SD card out and press reset button.";
    const std::string ask = "Select firmware file";
    EXPECT_EQ(port.statuses(), (Lines{wait, "Update failed (timeout exceeded)", wait, ask,
                                      "Invalid firmware file (1)", wait, ask,
                                      "Updating in progress...", "Updated successfully"}));
    EXPECT_EQ(slept, 15000);  // the probes without a loader; none once it is there
}

}  // namespace
}  // namespace zt::test
