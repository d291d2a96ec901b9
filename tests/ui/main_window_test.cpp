#include <gtest/gtest.h>

#include "support/tool_fixture.h"

namespace zt::test {
namespace {

using MainWindowTest = ToolTest;

TEST_F(MainWindowTest, CreatesEveryControlAsLaidOut) {
    ASSERT_TRUE(port.window().has_value());
    EXPECT_STREQ(port.window()->title, "Zentari Tool");
    EXPECT_STREQ(port.window()->className, "ZentariToolMainWindow");
    EXPECT_EQ(port.window()->outerWidth, 350);
    EXPECT_EQ(port.window()->outerHeight, 235);
    struct Expected {
        int id;
        Rect rect;
        const char* text;
    };
    const Expected controls[] = {
        {201, {10, 2, 104, 79}, "Find Devices"}, {202, {10, 86, 104, 79}, "Update"},
        {203, {116, 86, 104, 24}, ""},           {204, {222, 86, 104, 24}, ""},
        {205, {116, 113, 104, 24}, ""},          {206, {222, 113, 104, 24}, ""},
        {207, {169, 141, 104, 24}, ""},          {221, {222, 32, 104, 20}, ""},
        {301, {0, 0, 104, 79}, ""},              {329, {0, 0, 104, 79}, ""},
    };
    for (const Expected& e : controls) {
        SCOPED_TRACE(e.id);
        const ControlHandle h = port.handleOfId(e.id);
        ASSERT_NE(h, 0);
        const FakeControl c = port.control(h);
        EXPECT_EQ(c.spec.rect.x, e.rect.x);
        EXPECT_EQ(c.spec.rect.y, e.rect.y);
        EXPECT_EQ(c.spec.rect.width, e.rect.width);
        EXPECT_EQ(c.spec.rect.height, e.rect.height);
        EXPECT_EQ(c.text, e.text);
    }
    for (unsigned row = 0; row < 8; ++row) {
        const FakeControl c = deviceControl(row);
        EXPECT_EQ(c.spec.id, 301 + 4 * static_cast<int>(row));
        EXPECT_EQ(c.spec.kind, ControlKind::DeviceButton);
        EXPECT_EQ(c.spec.bitmapId, 151 + static_cast<int>(row));
    }
    EXPECT_EQ(tool->window.commandButton(7), 0) << "slot 7 holds no control";
}

TEST_F(MainWindowTest, CreationStopsAtAFailingCommandButton) {
    FakeControlsPort failing;
    failing.failCreationOf(204);
    MainWindow window(tool->registry, failing, "v1.2.1");
    EXPECT_FALSE(window.create());
    EXPECT_EQ(failing.handleOfId(205), 0) << "the controls after the failing one are missing";
    EXPECT_EQ(failing.handleOfId(221), 0);
    EXPECT_NE(failing.handleOfId(203), 0);
}

TEST_F(MainWindowTest, ProgressNeverMovesBackAndStaysFullAtTheTop) {
    struct Step {
        const char* op;  // "start", "busy" or a percentage
        int value;
        int expectCount;
        int expectPosition;
    };
    const Step steps[] = {
        {"start", 0, 0, 0},  {"advance", 0, 0, 0},    {"advance", 50, 50, 50},
        {"advance", 30, 50, 50}, {"advance", -5, 50, 50}, {"advance", 99, 99, 99},
        {"advance", 100, 100, 99},  // the stepped bar holds 0..99: full, not wrapped to empty
        {"busy", 0, 100, 99},
        {"start", 0, 0, 0},  // a new start begins empty, whatever the last run left
        {"advance", 1, 1, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(std::string(s.op) + " " + std::to_string(s.value));
        if (std::string(s.op) == "start") tool->window.startProgress();
        else if (std::string(s.op) == "busy") tool->window.showBusyProgress();
        else tool->window.advanceProgress(s.value);
        EXPECT_EQ(tool->window.progressCount(), s.expectCount);
        EXPECT_EQ(port.progressPosition(), s.expectPosition);
        EXPECT_TRUE(port.progressVisible());
    }
    tool->window.showBusyProgress();
    EXPECT_TRUE(port.progressMarquee());
    tool->window.startProgress();
    EXPECT_FALSE(port.progressMarquee());
    EXPECT_EQ(port.progressMaximum(), 99);
    tool->window.hideProgress();
    EXPECT_FALSE(port.progressVisible());
}

TEST_F(MainWindowTest, AdvanceAfterStartWithZeroSendsNothing) {
    tool->window.startProgress();
    const auto before = port.log().size();
    tool->window.advanceProgress(0);
    EXPECT_EQ(port.log().size(), before);
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
        const DialogCall call = port.dialogs().back();
        EXPECT_EQ(call.proposed, "kadoPresets.zentari");
        EXPECT_STREQ(call.spec.filterDescription, c.description);
        EXPECT_STREQ(call.spec.filterPattern, c.pattern);
        if (c.extension) EXPECT_STREQ(call.spec.defaultExtension, c.extension);
        else EXPECT_EQ(call.spec.defaultExtension, nullptr);
        EXPECT_EQ(call.spec.kind, c.kind);
        EXPECT_EQ(call.spec.largestPath, c.largest);
    }
}

}  // namespace
}  // namespace zt::test
