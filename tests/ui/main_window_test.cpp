#include <gtest/gtest.h>

#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using MainWindowTest = ToolTest;
using Lines = std::vector<std::string>;

TEST_F(MainWindowTest, CreatesEveryControlInOrderAsLaidOut) {
    Lines expected{"window ZentariToolMainWindow Zentari Tool 350 235",
                   "statusbar 40 v" ZT_VERSION " 211 0 0 0 0 0 shown ",
                   "button 201 10 2 104 79 0 shown Find Devices",
                   "button 202 10 86 104 79 0 hidden Update",
                   "button 203 116 86 104 24 0 hidden ",
                   "button 204 222 86 104 24 0 hidden ",
                   "button 205 116 113 104 24 0 hidden ",
                   "button 206 222 113 104 24 0 hidden ",
                   "button 207 169 141 104 24 0 hidden ",
                   "progress 221 222 32 104 20 0 hidden "};
    for (int row = 0; row < 8; ++row)  // id 301 + 4 * row, picture 151 + row
        expected.push_back("device " + std::to_string(301 + 4 * row) + " 0 0 104 79 " +
                           std::to_string(151 + row) + " hidden ");
    EXPECT_EQ(port.log(), expected);
    EXPECT_EQ(tool->window.commandButton(7), 0) << "slot 7 holds no control";
}

TEST_F(MainWindowTest, CreationStopsAtAFailingCommandButton) {
    FakeControlsPort failing;
    failing.failCreationOf(204);
    MainWindow window(tool->registry, failing, "v1.2.1");
    EXPECT_FALSE(window.create());
    EXPECT_NE(failing.handleOfId(203), 0);
    EXPECT_EQ(failing.handleOfId(205), 0) << "the controls after the failing one are missing";
    EXPECT_EQ(failing.handleOfId(221), 0);
}

// Steps of the bar and the port calls each one makes.
TEST_F(MainWindowTest, ProgressNeverMovesBackStartsEmptyAndStaysFull) {
    struct Step {
        const char* op;  // "start", "busy", "hide" or "advance"
        int value;
        int count;
        Lines calls;
    };
    const Step steps[] = {
        {"busy", 0, 0, {"marquee 50", "visible 221 1"}},
        {"start", 0, 0, {"range 99", "position 0", "visible 221 1"}},
        {"advance", 0, 0, {}},  // 0 right after a start moves nothing
        {"advance", 50, 50, {"position 50"}},
        {"advance", 30, 50, {}},  // never back
        {"advance", -5, 50, {}},
        {"advance", 99, 99, {"position 99"}},
        {"advance", 100, 100, {"position 99"}},  // the bar holds 0..99: full, not wrapped
        {"start", 0, 0, {"range 99", "position 0", "visible 221 1"}},  // empty again
        {"advance", 1, 1, {"position 1"}},
        {"hide", 0, 1, {"visible 221 0"}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.op) + " " + std::to_string(s.value));
        const std::size_t before = port.log().size();
        const std::string op = s.op;
        if (op == "start") tool->window.startProgress();
        else if (op == "busy") tool->window.showBusyProgress();
        else if (op == "hide") tool->window.hideProgress();
        else tool->window.advanceProgress(s.value);
        const Lines log = port.log();
        EXPECT_EQ(Lines(log.begin() + static_cast<std::ptrdiff_t>(before), log.end()), s.calls);
        EXPECT_EQ(tool->window.progressCount(), s.count);
    }
}

TEST_F(MainWindowTest, DialogsCarryTheirFilterAndProposeTheBuffer) {
    struct Case {
        bool (MainWindow::*choose)(std::string&);
        const char* description;
        const char* pattern;
        const char* extension;
        FileDialogKind kind;
        int largest;
    };
    const Case cases[] = {
        {&MainWindow::chooseFirmwareFile, "Firmware File (*.hex;*kzt;*kzp)", "*.hex;*.kzt;*.kzp",
         nullptr, FileDialogKind::Open, 260},
        {&MainWindow::chooseLoadPresetsFile, "Presets File (*.zentari)", "*.zentari", nullptr,
         FileDialogKind::Open, 255},
        {&MainWindow::chooseSavePresetsFile, "Preset File (*.zentari)", "*.zentari", "zentari",
         FileDialogKind::Save, 260},
        {&MainWindow::chooseWavetablesFile, "Wavetables File (*.zentari)", "*.zentari", nullptr,
         FileDialogKind::Open, 260},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        std::string path = "kadoPresets.zentari";
        port.answerDialog(std::nullopt);
        EXPECT_FALSE((tool->window.*c.choose)(path));
        EXPECT_EQ(path, "kadoPresets.zentari") << "a cancel leaves the buffer";
        port.answerDialog("/tmp/chosen.zentari");
        EXPECT_TRUE((tool->window.*c.choose)(path));
        EXPECT_EQ(path, "/tmp/chosen.zentari");
        const FileDialogSpec s = port.dialogs().back().params;
        EXPECT_EQ(port.dialogs().back().proposed, "kadoPresets.zentari");
        EXPECT_EQ(std::string(s.filterDescription) + "|" + s.filterPattern + "|" +
                      (s.defaultExtension ? s.defaultExtension : "-"),
                  std::string(c.description) + "|" + c.pattern + "|" + (c.extension ? c.extension : "-"));
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.largestPath, c.largest);
    }
}

}  // namespace
}  // namespace zt::test
