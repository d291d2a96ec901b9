// The real widgets: names and pictures, the keyboard path through a search and a selection (the
// places and captions it meets), the progress bar's steps, and the file dialogs.
#include <QAccessible>
#include <QStyle>
#include <QStyleOptionButton>

#include <fstream>

#include "qt/qt_tool_fixture.h"
#include "support/hex_text.h"

namespace zt::test {
namespace {

QString accessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

TEST_F(QtTool, StartsWithTheSearchButtonFocusedAndEveryDeviceButtonNamed) {
    QWidget* window = controls->window();
    EXPECT_EQ(window->windowTitle(), "Zentari Tool");
    EXPECT_EQ(window->size(), QSize(344, 206));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(controls->progressBar()->geometry(), QRect(222, 32, 104, 20));
    EXPECT_EQ(controls->statusVersionPart()->text(), "v1.2.1");
    EXPECT_EQ(window->focusWidget(), slot(0));
    const char* names[] = {"Kado", "Vossa 1", "Pulka", "Siravel",
                           "Vossa 2", "Mondrel", "Ostrel", "Jubble"};
    for (unsigned row = 0; row < 8; ++row) {  // sharp at 200%: the pictures' @2x twins
        SCOPED_TRACE(names[row]);
        QPushButton* button = device(row);
        EXPECT_FALSE(button->isVisible());
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_EQ(accessibleName(button), names[row]);
        EXPECT_EQ(button->toolTip(), names[row]);
        EXPECT_TRUE(waitUntil([&] { return !button->icon().isNull(); }));
        EXPECT_EQ(button->icon().pixmap(QSize(100, 75), 2.0).size(), QSize(200, 150));
    }
}

// Space on "Find Devices" searches; Tab walks the visible buttons in reading order; Enter on a
// kind selects it, and its buttons join the walk at their places, each caption whole. The
// requests are served here, on the GUI thread, so each key meets the window its action left.
TEST_F(QtTool, KeyboardPathThroughASearchAndASelection) {
    tool->dispatcher.stopWorker();
    for (const auto& [vendor, product] :
         {std::pair{0x1FC9, 0x815B}, {0x16D0, 0x0DAF}, {0x16D0, 0x0EA1}, {0x16D0, 0x0EA0}}) {
        hidsim::attach(vendor, product, std::make_shared<hidsim::PresenceDevice>());
    }
    QWidget* window = controls->window();
    const auto key = [&](Qt::Key code) {
        QTest::keyClick(window->focusWidget(), code);
        while (tool->dispatcher.servePass()) continue;
    };
    const auto walk = [&] {  // what Tab visits from "Find Devices" until it comes back
        QStringList seen;
        slot(0)->setFocus();
        do {
            QWidget* at = window->focusWidget();
            seen << QStringLiteral("%1@%2,%3").arg(accessibleName(at)).arg(at->x()).arg(at->y());
            key(Qt::Key_Tab);
        } while (window->focusWidget() != slot(0) && seen.size() < 20);
        return seen.join(' ').toStdString();
    };
    key(Qt::Key_Space);
    EXPECT_EQ(accessibleName(controls->statusMessagePart()), "Devices found, select one");
    EXPECT_EQ(walk(), "Find Devices@10,2 Kado@116,2 Siravel@222,2 Mondrel@10,86 Jubble@116,86");
    key(Qt::Key_Tab);  // Kado
    key(Qt::Key_Tab);  // Siravel
    key(Qt::Key_Return);
    EXPECT_EQ(walk(), "Find Devices@10,2 Siravel@116,2 Update@10,86 Save Bank A@116,86 "
                      "Save Bank B@222,86 Load Bank A@116,113 Load Bank B@222,113 "
                      "Load Wavetables@169,141");
    for (int index = 1; index <= 6; ++index) {
        QPushButton* button = slot(index);
        QStyleOptionButton option;
        option.initFrom(button);
        const int room =
            button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
        EXPECT_LE(button->fontMetrics().horizontalAdvance(button->text()), room) << index << " cut";
    }
}

// The bar as the actions drive it: empty at each start, never back, full (not wrapped) at 100.
TEST_F(QtTool, ProgressBarStartsEmptyNeverMovesBackAndStaysFull) {
    MainWindow& w = tool->window;
    QProgressBar* bar = controls->progressBar();
    const struct {
        const char* fault;
        std::function<void()> step;
        const char* state;  // maximum, value, shown, and MainWindow's count of steps
    } steps[] = {
        {"no running marquee", [&] { w.showBusyProgress(); }, "0 0 1 0"},
        {"a range other than 0..99, or not empty", [&] { w.startProgress(); }, "99 0 1 0"},
        {"a step for 0 right after the start", [&] { w.advanceProgress(0); }, "99 0 1 0"},
        {"steps short of the percentage", [&] { w.advanceProgress(50); }, "99 50 1 50"},
        {"the bar moving back", [&] { w.advanceProgress(30); }, "99 50 1 50"},
        {"100 wrapping to empty", [&] { w.advanceProgress(100); }, "99 99 1 100"},
        {"a restart not empty, or the count kept", [&] { w.startProgress(); }, "99 0 1 0"},
        {"the first step after a restart lost", [&] { w.advanceProgress(1); }, "99 1 1 1"},
        {"the bar not put away, or emptied", [&] { w.hideProgress(); }, "99 1 0 1"},
    };
    for (const auto& s : steps) {
        s.step();
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(bar->maximum()).arg(bar->value())
                      .arg(bar->isVisible()).arg(w.progressCount()).toStdString(), s.state)
            << s.fault;
    }
    EXPECT_EQ(accessibleName(bar), "Progress");
    EXPECT_EQ(QAccessible::queryAccessibleInterface(bar)->valueInterface()->currentValue(), 1);
}

// Each choice opens its dialog from the worker's side, modal to the window, with its patterns. The
// buffer holds 255 or 260 bytes with the terminating zero: a longer path is refused, never cut.
TEST_F(QtTool, FileDialogsGiveWhatWasChosenWithinTheBuffer) {
    const ScratchFolder folder;
    const std::string old = folder.path("old.zentari");
    const auto save = &MainWindow::chooseSavePresetsFile;
    const auto firmware = &MainWindow::chooseFirmwareFile;
    const std::string dir = folder.path("");
    const std::string fits = dir + std::string(246 - dir.size(), 'a') + ".zentari";  // 254 bytes
    std::string tooLong = dir;  // 260 bytes in fewer characters
    while (tooLong.size() < 250) tooLong += "\xc3\xbc";
    tooLong += std::string(252 - tooLong.size(), 'a') + ".zentari";
    const struct {
        const char* fault;
        bool (MainWindow::*choose)(std::string&);
        std::string typed;  // confirmed in the dialog; empty: the proposed name, or a cancel
        bool confirmed;
        std::string result;
    } cases[] = {
        {"the proposed name not offered", save, "", true, old},
        {"no extension added to a bare name", save, dir + "a", true, dir + "a.zentari"},
        {"a cancel changing the buffer", firmware, "", false, old},
        {"a path that fits refused", &MainWindow::chooseLoadPresetsFile, fits, true, fits},
        {"bytes counted as characters", &MainWindow::chooseWavetablesFile, tooLong, false, old},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        if (c.choose != save && !c.typed.empty()) std::ofstream{c.typed};
        std::string path = old;
        bool confirmed = false;
        const DialogAnswer answer(c.typed, c.choose != save && c.typed.empty());
        offGuiThread([&] { confirmed = (tool->window.*c.choose)(path); });
        EXPECT_EQ(confirmed, c.confirmed);
        EXPECT_EQ(path, c.result);
        EXPECT_EQ(answer.shownName.toStdString(), "old.zentari");
        EXPECT_EQ(answer.patterns, c.choose == firmware ? "*.hex *.kzt *.kzp" : "*.zentari");
        if (c.choose == save) {
            EXPECT_TRUE(answer.asksBeforeReplacing) << "replaces unasked";
        }
    }
}

}  // namespace
}  // namespace zt::test
