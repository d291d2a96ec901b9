// The "Update" button from press to final status, on the recording port with emulated loaders.
#include <filesystem>
#include <functional>
#include <optional>

#include "hidsim/halfkay_loader.h"
#include "hidsim/kboot_bootloader.h"
#include "support/hex_text.h"
#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using Statuses = std::vector<std::string>;

constexpr int kUpdateSlot = 1;
constexpr std::uint16_t kMondrelVid = 0x16D0, kMondrelPid = 0x0EA1;
const std::string kWaitText = "Take SD card out and press reset button.";
const std::string kSelectText = "Select firmware file";
const std::string kUpdatingText = "Updating in progress...";

class UpdateActionTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        tool->registry.select(5);  // Mondrel: KBOOT only
    }
    std::shared_ptr<hidsim::KbootBootloader> attachKboot() {
        auto kboot = std::make_shared<hidsim::KbootBootloader>();
        hidsim::attach(kMondrelVid, kMondrelPid, kboot);
        return kboot;
    }
    // Commands other than the probe's questions: anything that would change the device.
    static std::vector<std::uint32_t> changingCommands(const hidsim::KbootBootloader& kboot) {
        std::vector<std::uint32_t> tags;
        for (std::uint32_t tag : kboot.commandTags)
            if (tag != 7) tags.push_back(tag);
        return tags;
    }
    std::string goodFile() { return folder.write("mondrel-2.0.hex", hexFile({{0, patternBytes(9000)}})); }

    ScratchFolder folder;
};

TEST_F(UpdateActionTest, LoaderNeverAppears) {
    pressAction(kUpdateSlot);
    EXPECT_EQ(port.statuses(), (Statuses{kWaitText, "Update failed (timeout exceeded)"}));
    EXPECT_EQ(sleptMilliseconds(), 15000);
    EXPECT_EQ(hidsim::openAttempts(kMondrelVid, kMondrelPid), 15);
    EXPECT_FALSE(port.progressVisible());
    EXPECT_TRUE(port.dialogs().empty());
}

TEST_F(UpdateActionTest, LoaderRecognisedOnTheFourthProbe) {
    // A bootloader that hears nothing until the user has pressed reset, three probes in.
    struct LateLoader : hidsim::KbootBootloader {
        int opens = 0;
        void opened() override { ++opens; }
        int write(const unsigned char* data, std::size_t length) override {
            return opens < 4 ? -1 : KbootBootloader::write(data, length);
        }
    };
    auto loader = std::make_shared<LateLoader>();
    hidsim::attach(kMondrelVid, kMondrelPid, loader);
    port.answerDialog(std::nullopt);
    pressAction(kUpdateSlot);
    EXPECT_EQ(loader->opens, 4);
    EXPECT_EQ(sleptMilliseconds(), 3000);
    EXPECT_EQ(port.statuses(), (Statuses{kWaitText, kSelectText, ""}));
    EXPECT_FALSE(port.progressVisible());
}

TEST_F(UpdateActionTest, StatusSequences) {
    struct Case {
        const char* what;
        std::optional<std::string> chosen;  // nullopt: the dialog is cancelled
        std::function<void(hidsim::KbootBootloader&)> fault;
        Statuses statuses;
        bool barVisible;
    };
    const std::string good = goodFile();
    const std::string wrongName = folder.write("jubble.hex", hexFile({{0, patternBytes(16)}}));
    const std::string notHex = folder.write("mondrel.kzt", "PK\x03\x04 a package");
    const Case cases[] = {
        {"dialog cancelled", std::nullopt, {}, {kWaitText, kSelectText, ""}, false},
        {"name lacks the kind's key", wrongName, {}, {kWaitText, kSelectText,
                                                      "Invalid firmware file (1)"}, false},
        {"content not Intel HEX", notHex, {}, {kWaitText, kSelectText,
                                               "Invalid firmware file (2)"}, false},
        {"reset refused", good,
         [](auto& k) { k.failCommand(11, hidsim::KbootBootloader::Fault::ErrorStatus); },
         {kWaitText, kSelectText, kUpdatingText, "Update failed (54)"}, true},
        {"erase unanswered", good,
         [](auto& k) { k.failCommand(2, hidsim::KbootBootloader::Fault::NoAnswer); },
         {kWaitText, kSelectText, kUpdatingText, "Update failed (31)"}, true},
        {"success", good, {}, {kWaitText, kSelectText, kUpdatingText, "Updated successfully"},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        resetSleep();
        auto kboot = attachKboot();
        if (c.fault) c.fault(*kboot);
        port.answerDialog(c.chosen);
        const std::size_t before = port.statuses().size();
        pressAction(kUpdateSlot);
        const Statuses all = port.statuses();
        EXPECT_EQ(Statuses(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
                  c.statuses);
        EXPECT_EQ(port.progressVisible(), c.barVisible);
        EXPECT_EQ(sleptMilliseconds(), 0);
        if (c.statuses.back() == "Updated successfully") {
            const auto data = patternBytes(9000);
            EXPECT_TRUE(std::equal(data.begin(), data.end(), kboot->flash.begin()));
        }
        if (c.barVisible) {
            EXPECT_FALSE(port.progressMarquee()) << "the bar was turned into the stepped one";
        }
    }
}

TEST_F(UpdateActionTest, FailedUpdateLeavesTheBarWhereItStopped) {
    auto kboot = attachKboot();
    kboot->refuseDataReport(100);  // 9000 bytes are 282 reports; stop near a third
    port.answerDialog(goodFile());
    pressAction(kUpdateSlot);
    EXPECT_EQ(port.status(), "Update failed (48)");
    EXPECT_TRUE(port.progressVisible());
    EXPECT_EQ(port.progressPosition(), 100 * 32 * 100 / 9000);
    EXPECT_FALSE(kboot->resetDone);
}

TEST_F(UpdateActionTest, ProgressModesInOrder) {
    attachKboot();
    port.answerDialog(goodFile());
    pressAction(kUpdateSlot);
    std::vector<std::string> calls;
    for (const std::string& line : port.log()) {
        for (const char* prefix : {"marquee", "range", "position", "visible 221"})
            if (line.rfind(prefix, 0) == 0) calls.push_back(line);
    }
    // Marquee through the wait and the dialog, then the stepped bar from empty, then hidden.
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[0].rfind("marquee", 0), 0u);
    EXPECT_EQ(calls[1], "visible 221 1");
    EXPECT_EQ(calls[2], "range 99");
    EXPECT_EQ(calls[3], "position 0");
    EXPECT_EQ(calls[4], "visible 221 1");
    int last = 0;
    for (std::size_t i = 5; i + 1 < calls.size(); ++i) {
        ASSERT_EQ(calls[i].rfind("position ", 0), 0u) << calls[i];
        const int position = std::stoi(calls[i].substr(9));
        EXPECT_GE(position, last);
        last = position;
    }
    EXPECT_EQ(last, 99);
    EXPECT_EQ(calls.back(), "visible 221 0");
}

TEST_F(UpdateActionTest, SecondUpdateProposesTheFirstPath) {
    const std::string first = goodFile();
    attachKboot();
    port.answerDialog(first);
    pressAction(kUpdateSlot);
    port.answerDialog(std::nullopt);
    pressAction(kUpdateSlot);
    const auto dialogs = port.dialogs();
    ASSERT_EQ(dialogs.size(), 2u);
    EXPECT_EQ(dialogs[0].proposed, "");
    EXPECT_EQ(dialogs[1].proposed, first);
    EXPECT_EQ(tool->paths.firmwarePath, first) << "a cancelled dialog keeps the path";
}

// Whatever the user picks, a bad file ends in one of the two texts, and nothing but the probe's
// questions reaches the device.
TEST_F(UpdateActionTest, BadFilesNeverReachTheDevice) {
    std::string binary(4096, '\0');
    for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 7 + 3);
    const std::string longLine = ":10" + std::string(2000, '0') + "\n";
    struct Case {
        const char* what;
        std::string path;
        const char* status;
    };
    std::filesystem::create_directories(folder.path("mondrel-dir.hex"));
    // Where links cannot be made (Windows without the privilege) the case sees a missing file.
    std::error_code noLink;
    std::filesystem::create_symlink(folder.path("gone"), folder.path("mondrel-dangling.hex"), noLink);
    const Case cases[] = {
        {"binary file", folder.write("mondrel-a.hex", binary), "Invalid firmware file (2)"},
        {"binary after a record start", folder.write("mondrel-b.hex", ":10" + binary),
         "Update failed (21)"},
        {"truncated data record", folder.write("mondrel-c.hex", ":1000000001020304\n"),
         "Update failed (21)"},
        {"count larger than the line", folder.write("mondrel-d.hex", ":FF00000000\n"),
         "Update failed (21)"},
        {"non-hex digits in the data",
         folder.write("mondrel-e.hex", ":0400000001GG0304F0\n:00000001FF\n"),
         "Update failed (21)"},
        {"record beyond the image",
         folder.write("mondrel-f.hex", ":020000040010EA\n:0100000000FF\n"), "Update failed (21)"},
        {"line longer than the reader takes", folder.write("mondrel-g.hex", longLine),
         "Update failed (21)"},
        {"empty file", folder.write("mondrel-h.hex", ""), "Invalid firmware file (2)"},
        {"a directory", folder.path("mondrel-dir.hex"), "Invalid firmware file (2)"},
        {"a dangling link", folder.path("mondrel-dangling.hex"), "Invalid firmware file (2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        hidsim::detachAll();
        auto kboot = attachKboot();
        port.answerDialog(c.path);
        pressAction(kUpdateSlot);
        EXPECT_EQ(port.status(), c.status);
        EXPECT_TRUE(changingCommands(*kboot).empty());
        EXPECT_EQ(kboot->dataReports, 0);
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
}

}  // namespace
}  // namespace zt::test
