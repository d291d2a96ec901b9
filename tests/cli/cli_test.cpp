// `zentari` run in-process against emulated devices: what it prints, how it ends, and what the
// device or the file holds afterwards.
#include <filesystem>
#include <functional>
#include <sstream>

#include "cli/cli.h"
#include "hidsim/kboot_bootloader.h"
#include "hidsim/preset_device.h"
#include "platform/closed_device.h"
#include "platform/sleep.h"
#include "support/hex_text.h"
#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;
using Lines = std::vector<std::string>;
using Shape = PresetDevice::Shape;

struct Outcome {
    int status;
    std::string out, err;
    Lines lines;                // err without the percent lines
    std::vector<int> percents;  // the percent lines, in order
};

Outcome zentari(const Lines& args, bool terminal = false) {
    std::ostringstream out, err;
    Outcome run{cli::runCli(args, out, err, terminal), out.str(), err.str(), {}, {}};
    std::istringstream lines(run.err);
    for (std::string line; std::getline(lines, line);) {
        if (line.size() > 1 && line.find_first_not_of("0123456789") == line.size() - 1) {
            run.percents.push_back(std::stoi(line));
        } else {
            run.lines.push_back(line);
        }
    }
    return run;
}

std::shared_ptr<PresetDevice> attachPresets(Shape shape, bool closed = false) {
    auto device = std::make_shared<PresetDevice>(shape);
    const bool one = shape == Shape::OneBank;
    hidsim::attach(one ? 0x1FC9 : 0x16D0, one ? 0x815B : 0x0DAF, device, {.closed = closed});
    return device;
}

std::shared_ptr<hidsim::KbootBootloader> attachMondrelLoader() {
    auto kboot = std::make_shared<hidsim::KbootBootloader>();
    hidsim::attach(0x16D0, 0x0EA1, kboot);
    return kboot;
}

std::string bytesAt(const std::string& path, std::size_t at) {
    std::ifstream in(path, std::ios::binary);
    std::string bytes(64, '\0');
    in.seekg(static_cast<std::streamoff>(at));
    in.read(bytes.data(), 64);
    return bytes;
}

std::string text(const hidsim::Record& record) { return std::string(record.begin(), record.end()); }

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        hidsim::detachAll();
        setSleepHook([](int) {});
    }
    void TearDown() override {
        hidsim::detachAll();
        setSleepHook(nullptr);
    }
    ScratchFolder folder;
    const std::string firmware = folder.write("mondrel-2.0.hex", hexFile({{0, patternBytes(900)}}));
    const std::string bank = folder.path("bank.zentari");
};

const std::string kFirmwareWait = "Take SD card out and press reset button.";
const Lines kSaved{"Select presets file to save", "Transfer in progress...",
                   "File saved successfully"};
const std::string kClosed = std::string("Siravel    16d0:0daf  ") + closedDeviceHint() + "\n";

// In order: the loads replay files that the saves before them wrote.
TEST_F(CliTest, EveryCommandEndToEnd) {
    const std::string a = folder.path("a.zentari");
    const std::string b = folder.path("b.zentari");
    const PresetDevice fresh(Shape::TwoBanks);
    std::shared_ptr<PresetDevice> kado, siravel;
    std::shared_ptr<hidsim::KbootBootloader> kboot;
    const auto one = [&] { kado = attachPresets(Shape::OneBank); };
    const auto two = [&] { siravel = attachPresets(Shape::TwoBanks); };
    const struct {
        const char* fault;
        std::function<void()> attach;
        Lines args;
        int status;
        std::string out;
        Lines lines;
        std::function<void()> check;
    } cases[] = {
        {"list: a closed kind looks absent", [&] { one(); attachPresets(Shape::TwoBanks, true); },
         {"list"}, 0, "Kado       1fc9:815b  ready\n" + kClosed, {}, [] {}},
        {"list --json: not JSON", [&] { attachPresets(Shape::OneBank, true); }, {"list", "--json"},
         0, "[\n  {\"name\": \"Kado\", \"id\": \"1fc9:815b\", \"ready\": false, \"state\": \"" +
             std::string(closedDeviceHint()) + "\"}\n]\n", {}, [] {}},
        {"save: not the device's bank", one, {"save", a}, 0, "", kSaved,
         [&] { EXPECT_EQ(bytesAt(a, 64), text(kado->section(0, 0)[0])); }},
        {"save --device: the other kind's bank", [&] { one(); two(); },
         {"save", a, "--device", "SIRAVEL", "--force"}, 0, "", kSaved,
         [&] { EXPECT_EQ(bytesAt(a, 64), text(siravel->section(0, 0)[0])); }},
        {"save --bank B: saves bank A", two, {"save", "--bank", "b", b}, 0, "", kSaved,
         [&] { EXPECT_EQ(bytesAt(b, 64), text(siravel->section(1, 0)[0])); }},
        {"load --bank B: goes to bank A", two, {"load", a, "--bank", "B"}, 0, "",
         {"Select presets file to load", "Transfer in progress...", "Presets loaded successfully"},
         [&] { EXPECT_EQ(siravel->section(1, 63)[9], fresh.section(0, 63)[9]); }},
        {"wavetables: not sent whole", two,
         {"wavetables", folder.write("w.zentari", std::string(1024128, '\1'))}, 0, "",
         {"Select wavetable file to load", "Transfer in progress...",
          "Wavetables loaded successfully"},
         [&] { EXPECT_EQ(siravel->received.size(), 16002u); }},
        {"update: firmware not written", [&] { kboot = attachMondrelLoader(); },
         {"update", firmware}, 0, "",
         {kFirmwareWait, "Select firmware file", "Updating in progress...", "Updated successfully"},
         [&] { EXPECT_EQ(kboot->flash[899], patternBytes(900)[899]); }},
        {"update: result code lost",
         [&] { attachMondrelLoader()->failCommand(11, hidsim::KbootBootloader::Fault::ErrorStatus); },
         {"update", firmware}, 1, "",
         {kFirmwareWait, "Select firmware file", "Updating in progress...", "Update failed (54)"},
         [] {}},
        {"save: result code lost, or the old file lost", [&] { one(); kado->silence(); },
         {"save", a, "--force", "--device", "kado"}, 1, "",
         {"Select presets file to save", "Transfer in progress...", "Presets transfer failed (5)"},
         [&] { EXPECT_EQ(bytesAt(a, 64), text(siravel->section(0, 0)[0])); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        hidsim::detachAll();
        c.attach();
        const Outcome run = zentari(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.out, c.out);
        EXPECT_EQ(run.lines, c.lines);
        c.check();
        // Every transfer shows its progress, each percent at most once, in order.
        EXPECT_EQ(run.percents.empty(), c.lines.empty());
        EXPECT_TRUE(std::adjacent_find(run.percents.begin(), run.percents.end(),
                                       std::greater_equal<>()) == run.percents.end());
    }
}

// On a terminal the bar redraws itself in place, below the status lines.
TEST_F(CliTest, UpdateDrawsABarOnATerminal) {
    attachMondrelLoader();
    const Outcome run = zentari({"update", firmware}, true);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.err.find("progress...\n\r[>                             ]   0%\r[>  "),
              std::string::npos);
    EXPECT_NE(run.err.find("\r[===>                          ]  10%\r"), std::string::npos);
    EXPECT_NE(run.err.find("\r[==============================] 100%\nUpdated successfully\n"),
              std::string::npos);
}

// Wrong usage ends with 2 before any device is touched or any file written; a kind that is
// missing or closed ends with 1 and says why.
TEST_F(CliTest, RefusalsSayWhy) {
    const std::string old = folder.write("old.zentari", "keep");
    const struct {
        const char* fault;
        std::function<void()> attach;
        Lines args;
        int status;
        std::string message;  // the last line on stderr
    } cases[] = {
        {"unknown command runs something", [] {}, {"frobnicate"}, 2,
         "Run with --help for more information."},
        {"missing file reaches the device", [] { attachMondrelLoader(); },
         {"update", folder.path("none.hex")}, 2, "zentari: cannot read " + folder.path("none.hex")},
        {"--bank on a one-bank kind", [] { attachPresets(Shape::OneBank); },
         {"save", bank, "--bank", "B"}, 2, "zentari: Kado has one bank; leave out --bank"},
        {"two kinds, no --device: picks one", [] { attachPresets(Shape::OneBank); attachMondrelLoader(); },
         {"load", old}, 2, "zentari: several kinds found (Kado, Mondrel); choose one with --device"},
        {"unknown kind name", [] {}, {"load", old, "--device", "vossa"}, 2,
         "zentari: no kind is named 'vossa'; the kinds are Kado, Vossa 1, Pulka, Siravel, "
         "Vossa 2, Mondrel, Ostrel, Jubble"},
        {"replaces a file without --force", [] { attachPresets(Shape::OneBank); }, {"save", old},
         2, "zentari: " + old + " exists; add --force to replace it"},
        {"a kind without the command", [] { hidsim::attach(0x1FC9, 0x815C, std::make_shared<hidsim::PresenceDevice>()); },
         {"update", firmware}, 2, "zentari: Vossa 1 takes no firmware update"},
        {"named kind not attached", [] { attachPresets(Shape::OneBank); },
         {"save", bank, "--device", "jubble"}, 1, "zentari: Jubble not found; found: Kado"},
        {"closed kind reads as absent", [] { attachPresets(Shape::TwoBanks, true); },
         {"update", firmware, "--wait", "1"}, 1, std::string("zentari: Siravel: ") + closedDeviceHint()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        hidsim::detachAll();
        c.attach();
        const Outcome run = zentari(c.args);
        EXPECT_EQ(run.status, c.status);
        EXPECT_EQ(run.lines.empty() ? "" : run.lines.back(), c.message);
        EXPECT_EQ(bytesAt(old, 0).substr(0, 5), std::string("keep\0", 5));
        EXPECT_FALSE(std::filesystem::exists(bank));
    }
    EXPECT_EQ(hidsim::openAttempts(0x16D0, 0x0DAF), 5) << "--wait 1: a search every 250 ms";
}

// "Find Devices" in the window: a kind that is there but closed is not "No devices found".
using FindTest = ToolTest;
TEST_F(FindTest, ClosedKindsAreNamedInTheStatus) {
    const std::pair<bool, std::string> cases[] = {
        {false, "No devices found"},
        {true, closedDeviceStatus()},
    };
    for (const auto& [closed, status] : cases) {
        hidsim::detachAll();
        if (closed) attachPresets(Shape::OneBank, true);
        pressAction(0);
        EXPECT_EQ(port.status(), status);
    }
    attachPresets(Shape::TwoBanks);
    pressAction(0);
    EXPECT_EQ(port.status(), "Devices found, select one") << "one kind open, another closed";
}

}  // namespace
}  // namespace zt::test
