// `zentari` in-process over emulated devices: output, exit status, device and file afterwards.
#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/cli.h"
#include "hidsim/kboot_bootloader.h"
#include "hidsim/preset_device.h"
#include "platform/closed_device.h"
#include "support/hex_text.h"
#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;
using Lines = std::vector<std::string>;
using Shape = PresetDevice::Shape;

struct Outcome {
    int status;
    std::string err;
    Lines lines;                // stdout, then stderr without the percent lines
    std::vector<int> percents;  // the percent lines, in order
};

Outcome zentari(const Lines& args, bool terminal = false) {
    std::ostringstream out, err;
    Outcome run{cli::runCli(args, out, err, terminal), err.str(), {}, {}};
    std::istringstream lines(out.str() + err.str());
    for (std::string line; std::getline(lines, line);) {
        const bool percent = !line.empty() && line[0] >= '0' && line[0] <= '9';
        if (percent) run.percents.push_back(std::stoi(line));
        if (!percent) run.lines.push_back(line);
    }
    return run;
}

std::shared_ptr<PresetDevice> attachPresets(Shape shape, bool closed = false) {
    auto device = std::make_shared<PresetDevice>(shape);
    const bool one = shape == Shape::OneBank;
    hidsim::attach(one ? 0x1FC9 : 0x16D0, one ? 0x815B : 0x0DAF, device, closed);
    return device;
}

std::shared_ptr<hidsim::KbootBootloader> attachMondrel() {
    auto kboot = std::make_shared<hidsim::KbootBootloader>();
    hidsim::attach(0x16D0, 0x0EA1, kboot);
    return kboot;
}

class CliTest : public ToolTest {
protected:
    const std::string firmware = folder.write("mondrel-2.0.hex", hexFile({{0, patternBytes(900)}}));
    const std::string a = folder.path(std::string(259 - folder.path("").size(), 'a'));  // longest
};

const Lines kUpdated{"Take SD card out and press reset button.", "Select firmware file",
                     "Updating in progress...", "Updated successfully"};
const std::string kSave = "Select presets file to save", kRun = "Transfer in progress...";
const Lines kSaved{kSave, kRun, "File saved successfully"};
const std::string kHint = closedDeviceHint();

// In order: the load replays the file the save before it wrote. Wrong usage ends with 2 before any
// device or file is touched; a failed action, or a kind that is missing or closed, ends with 1.
TEST_F(CliTest, EveryCommandEndToEnd) {
    const std::string b = folder.path("b.zentari");
    const std::string old = folder.write("old.zentari", "keep");
    const PresetDevice fresh(Shape::TwoBanks);
    std::shared_ptr<PresetDevice> kado, siravel;
    std::shared_ptr<hidsim::KbootBootloader> kboot;
    const auto one = [&] { kado = attachPresets(Shape::OneBank); };
    const auto two = [&] { siravel = attachPresets(Shape::TwoBanks); };
    const auto present = [](std::uint16_t vid, std::uint16_t pid, bool closed = false) {
        hidsim::attach(vid, pid, std::make_shared<hidsim::PresenceDevice>(), closed);
    };
    const std::string json = "  {\"name\": \"Kado\", \"id\": \"1fc9:815b\", \"ready\": false, "
                             "\"state\": \"" + kHint + "\"}";
    const struct {
        const char* fault;
        std::function<void()> attach;
        Lines args;
        int status;
        Lines lines;
        std::function<void()> check = [] {};
    } cases[] = {
        {"list: a closed kind looks absent", [&] { one(); attachPresets(Shape::TwoBanks, true); },
         {"list"}, 0, {"Kado       1fc9:815b  ready", "Siravel    16d0:0daf  " + kHint}},
        // The first-stage loader cannot say its kind: it stands for both kinds that have one.
        {"list: loader", [=] { present(0x16C0, 0x0478); attachPresets(Shape::TwoBanks, true); },
         {"list"}, 0, {"Kado       1fc9:815b  ready", "Siravel    16d0:0daf  ready"}},
        {"list: a closed loader", [&] { present(0x16C0, 0x0478, true); }, {"list"}, 0,
         {"Kado       1fc9:815b  " + kHint, "Siravel    16d0:0daf  " + kHint}},
        {"list: unknown devices", [&] { present(0x16C0, 0x0479); present(0x16C0, 0x0477, true); },
         {"list"}, 0, {"No devices found"}},
        {"list --json: not JSON", [] { attachPresets(Shape::OneBank, true); }, {"list", "--json"},
         0, {"[", json, "]"}},
        {"save: not the device's bank", one, {"save", a}, 0, kSaved,
         [&] { EXPECT_EQ(readFile(a), savedBank(*kado, 0, 256)); }},
        {"save --bank B --device: bank A, the other kind, or waiting on", [&] { one(); two(); },
         {"save", "--bank", "b", b, "--device", "SIRAVEL", "--wait", "3"}, 0, kSaved, [&] {
             EXPECT_EQ(readFile(b), savedBank(*siravel, 1, 64));
             EXPECT_EQ(hidsim::openAttempts(0x16D0, 0x0DAF), 3) << "searched again when found";
         }},
        {"load: not to bank A", two, {"load", b}, 0,
         {"Select presets file to load", kRun, "File loaded successfully"},
         [&] { EXPECT_EQ(siravel->section(0, 63)[9], fresh.section(1, 63)[9]); }},
        {"wavetables: not sent whole", two,
         {"wavetables", folder.write("w.zentari", std::string(1024128, '\1'))}, 0,
         {"Select wavetable file to load", kRun, "Wavetables loaded successfully"},
         [&] { EXPECT_EQ(siravel->received.size(), 16002u); }},
        {"update: firmware not written", [&] { kboot = attachMondrel(); }, {"update", firmware}, 0,
         kUpdated, [&] { EXPECT_EQ(kboot->flash[899], patternBytes(900)[899]); }},
        {"update: result code lost",
         [] { attachMondrel()->failCommand(11, hidsim::KbootBootloader::Fault::ErrorStatus); },
         {"update", firmware}, 1, {kUpdated[0], kUpdated[1], kUpdated[2], "Update failed (54)"}},
        {"save: result code lost, or the old file", [&] { one(); kado->silentAfter = 0; },
         {"save", a, "--force"}, 1, {kSave, kRun, "Presets transfer failed (5)"},
         [&] { EXPECT_EQ(readFile(a), savedBank(*kado, 0, 256)); }},
        {"--version fails", [] {}, {"--version"}, 0, {std::string("zentari ") + kVersionText}},
        {"unknown command runs", [] {}, {"frobnicate"}, 2,
         {"zentari: there is no command 'frobnicate' (see zentari --help)"}},
        {"missing file", [] { attachMondrel(); }, {"update", old + "x"}, 2,
         {"zentari: cannot read " + old + "x"}},
        {"--bank taken by update", [] {}, {"update", firmware, "--bank", "B"}, 2,
         {"The following arguments were not expected: B --bank",
          "Run with --help for more information."}},
        {"--bank on a one-bank kind", one, {"save", old, "--bank", "B"}, 2,
         {"zentari: Kado has one bank; leave out --bank"}},
        {"two kinds, no --device", [&] { one(); attachMondrel(); }, {"load", old}, 2,
         {"zentari: several kinds found (Kado, Mondrel); choose one with --device"}},
        {"unknown kind name", [] {}, {"load", old, "--device", "vossa"}, 2,
         {"zentari: no kind is named 'vossa'; the kinds are Kado, Vossa 1, Pulka, Siravel, "
          "Vossa 2, Mondrel, Ostrel, Jubble"}},
        {"replaces without --force", one, {"save", old}, 2,
         {kSave, "zentari: " + old + " exists; add --force to replace it"}},
        {"a kind without updates", [&] { present(0x1FC9, 0x815C); }, {"update", firmware}, 2,
         {"zentari: Vossa 1 takes no firmware update"}},
        {"a path too long for the dialog", one, {"save", a + "x"}, 2,
         {kSave, "zentari: the path is longer than 259 characters"}},
        {"closed reads as absent; --wait", [] { attachPresets(Shape::TwoBanks, true); },
         {"update", firmware, "--wait", "1"}, 1, {"zentari: Siravel: " + kHint},
         [] { EXPECT_EQ(hidsim::openAttempts(0x16D0, 0x0DAF), 5) << "a search every 250 ms"; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        hidsim::detachAll();
        c.attach();
        const Outcome run = zentari(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.lines, c.lines);
        c.check();
        EXPECT_EQ(std::filesystem::file_size(old), 4u);
        // Every transfer shows its progress, each percent at most once, in order.
        const auto working = [](const std::string& line) { return line.ends_with("progress..."); };
        EXPECT_EQ(run.percents.empty(), std::ranges::none_of(c.lines, working));
        EXPECT_TRUE(std::adjacent_find(run.percents.begin(), run.percents.end(),
                                       std::greater_equal<>()) == run.percents.end());
    }
}

// On a terminal the bar redraws itself in place, between the announcing and the closing status.
TEST_F(CliTest, UpdateDrawsABarOnATerminal) {
    attachMondrel();
    const std::string err = zentari({"update", firmware}, true).err;
    EXPECT_NE(err.find("progress...\n\r[>" + std::string(29, ' ') + "]   0%\r[> "), err.npos);
    EXPECT_NE(err.find("\r[" + std::string(30, '=') + "] 100%\nUpdated successfully\n"), err.npos);
}

// The access help must give commands that work when pasted: the trigger runs after the reload.
TEST_F(CliTest, HelpUdevGivesCommandsToPaste) {
    const Outcome run = zentari({"help", "udev"});
    EXPECT_EQ(run.status, 0);
    const std::string commands = "  sudo udevadm control --reload-rules && sudo udevadm trigger";
    EXPECT_NE(std::ranges::find(run.lines, commands), run.lines.end());
}

// "Find Devices" in the window: a kind that is there but closed is not "No devices found".
TEST_F(CliTest, WindowNamesAClosedKind) {
    attachPresets(Shape::OneBank, true);
    pressAction(0);
    EXPECT_EQ(port.statuses().back(), closedDeviceStatus());
}

}  // namespace
}  // namespace zt::test
