// The real Qt window over a real Tool on Qt's offscreen platform: names and pictures, the keyboard
// path through a search and a selection, the progress bar, the file dialogs from the worker's side.
#include <QAccessible>
#include <QApplication>
#include <QDeadlineTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "support/hex_text.h"
#include "ui/qt/qt_controls.h"
#include "zt_version.h"

namespace zt::test {
namespace {

// Serves the GUI thread's events until the condition holds; false after a minute (only a fault).
template <typename Condition>
bool waitUntil(Condition condition) {
    QTimer tick;
    tick.start(5);
    const QDeadlineTimer deadline(60000);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

class QtTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tool.window.create()); }
    void TearDown() override { hidsim::detachAll(); }

    QPushButton* slot(int index) const { return controls.button(tool.window.commandButton(index)); }

    QtControls controls{[this](ControlHandle sender, int code) {
        tool.dispatcher.onCommand(sender, code);
    }};
    Tool tool{controls};
};

QString accessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

TEST_F(QtTool, StartsNamedAndFocusedThenKeyboardPathThroughASearchAndASelection) {
    QWidget* window = controls.window();
    EXPECT_EQ(window->windowTitle(), "Zentari Tool");
    EXPECT_EQ(controls.statusVersionPart()->text(), "v" ZT_VERSION);
    EXPECT_EQ(window->focusWidget(), slot(0));
    for (unsigned row = 0; row < 8; ++row) {  // sharp at 200%: the pictures' @2x twins
        SCOPED_TRACE(row);
        QPushButton* button = controls.button(tool.window.deviceButton(row));
        EXPECT_FALSE(button->isVisible());
        EXPECT_TRUE(button->text().isEmpty());
        EXPECT_EQ(accessibleName(button), tool.registry.row(row).name);
        EXPECT_EQ(button->toolTip(), tool.registry.row(row).name);
        EXPECT_TRUE(waitUntil([&] { return !button->icon().isNull(); }));
        EXPECT_EQ(button->iconSize(), QSize(100, 75));
        EXPECT_EQ(button->icon().pixmap(QSize(100, 75), 2.0).size(), QSize(200, 150));
    }
    QStringList sizes;  // the window icon's pictures, each with its twice-as-large twin
    for (QSize size : window->windowIcon().availableSizes()) sizes << QString::number(size.width());
    EXPECT_EQ(sizes.join(' '), "16 32 24 48 32 64 48 96 64 128 128 256 256 512");

    // Space on "Find Devices" searches; Tab walks the visible buttons in reading order; Enter on
    // a kind selects it, and its buttons join the walk at their places with their captions.
    // Requests are served on this thread, so each key meets the window its action left.
    for (const auto& [vendor, product] :
         {std::pair{0x1FC9, 0x815B}, {0x16D0, 0x0DAF}, {0x16D0, 0x0EA1}, {0x16D0, 0x0EA0}}) {
        hidsim::attach(vendor, product, std::make_shared<hidsim::PresenceDevice>());
    }
    const auto key = [&](Qt::Key code) {
        QTest::keyClick(window->focusWidget(), code);
        while (tool.dispatcher.servePass()) continue;
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
    EXPECT_EQ(accessibleName(controls.statusMessagePart()), "Devices found, select one");
    EXPECT_EQ(walk(), "Find Devices@10,2 Kado@116,2 Siravel@222,2 Mondrel@10,86 Jubble@116,86");
    key(Qt::Key_Tab);  // Kado
    key(Qt::Key_Tab);  // Siravel
    QTest::keyPress(window->focusWidget(), Qt::Key_Return);  // it acts on the press
    while (tool.dispatcher.servePass()) continue;
    EXPECT_EQ(walk(), "Find Devices@10,2 Siravel@116,2 Update@10,86 Save Bank A@116,86 "
                      "Save Bank B@222,86 Load Bank A@116,113 Load Bank B@222,113 "
                      "Load Wavetables@169,141");
}

// The bar as the actions drive it: empty at each start, never back, full (not wrapped) at 100.
TEST_F(QtTool, ProgressBarStartsEmptyNeverMovesBackAndStaysFull) {
    MainWindow& w = tool.window;
    QProgressBar* bar = controls.progressBar();
    const struct {
        const char* fault;
        std::function<void()> step;
        const char* state;  // maximum, value, shown, and MainWindow's count of steps
    } steps[] = {
        {"no running marquee", [&] { w.showBusyProgress(); }, "0 -1 1 0"},
        {"a range other than 0..99, or not empty", [&] { w.startProgress(); }, "99 0 1 0"},
        {"steps short of the percentage", [&] { w.advanceProgress(50); }, "99 50 1 50"},
        {"the bar moving back", [&] { w.advanceProgress(30); }, "99 50 1 50"},
        {"100 wrapping to empty", [&] { w.advanceProgress(100); }, "99 99 1 100"},
        {"a restart not empty, or the count kept", [&] { w.startProgress(); }, "99 0 1 0"},
        {"the bar not put away, or emptied", [&] { w.hideProgress(); }, "99 0 0 0"},
    };
    for (const auto& s : steps) {
        s.step();
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(bar->maximum()).arg(bar->value())
                      .arg(bar->isVisible()).arg(w.progressCount()).toStdString(), s.state)
            << s.fault;
    }
    EXPECT_EQ(accessibleName(bar), "Progress");
}

// Each choice opens its dialog from the worker's side, modal to the window, with its patterns. The
// buffer holds 255 or 260 bytes with the terminating zero: a longer path is refused, never cut.
TEST_F(QtTool, FileDialogsGiveWhatWasChosenWithinTheBuffer) {
    const ScratchFolder folder;
    const std::future_status ready = std::future_status::ready;
    const std::string old = folder.path("old.zentari");
    const auto save = &MainWindow::chooseSavePresetsFile;
    const std::string dir = folder.path("");
    const std::string fits = dir + std::string(246 - dir.size(), 'a') + ".zentari";  // 254 bytes
    std::string tooLong = dir;  // 260 bytes in fewer characters
    while (tooLong.size() < 250) tooLong += "\xc3\xbc";
    tooLong += std::string(252 - tooLong.size(), 'a') + ".zentari";
    const struct {
        const char* fault;
        bool (MainWindow::*choose)(std::string&);
        std::string typed;  // confirmed in the dialog; empty: a cancel
        std::string result;  // the buffer afterwards; unchanged unless confirmed
        const char* shown;
    } cases[] = {
        {"no extension added, or replacing unasked", save, dir + "a", dir + "a.zentari",
         "old.zentari *.zentari asks"},
        {"a cancel changing the buffer", &MainWindow::chooseFirmwareFile, "", old,
         "old.zentari *.hex *.kzt *.kzp asks"},
        {"a path that fits refused", &MainWindow::chooseLoadPresetsFile, fits, fits,
         "old.zentari *.zentari asks"},
        {"bytes counted as characters", &MainWindow::chooseWavetablesFile, tooLong, old,
         "old.zentari *.zentari asks"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        if (c.choose != save && !c.typed.empty()) std::ofstream{c.typed};  // opened: must exist
        QString shown;  // what the dialog showed: name, patterns, whether it asks before replacing
        QTimer answer;  // plays the user in the real dialog, through QFileDialog's own checks
        QObject::connect(&answer, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog) return;
            answer.stop();
            shown = QFileInfo(dialog->selectedFiles().value(0)).fileName() + " " +
                    dialog->findChild<QFileSystemModel*>()->nameFilters().join(' ') +
                    (dialog->testOption(QFileDialog::DontConfirmOverwrite) ? "" : " asks");
            if (c.typed.empty()) return dialog->reject();
            dialog->selectFile(QString::fromStdString(c.typed));
            static_cast<QDialog*>(dialog)->accept();
        });
        answer.start(5);
        std::string path = old;
        // On a thread of its own, as the worker runs it; this one serves the window meanwhile.
        auto chosen = std::async(std::launch::async, [&] { return (tool.window.*c.choose)(path); });
        const auto done = [&] { return chosen.wait_for(std::chrono::seconds(0)) == ready; };
        EXPECT_TRUE(waitUntil(done));
        EXPECT_EQ(chosen.get(), c.result != old);
        EXPECT_EQ(path, c.result);
        EXPECT_EQ(shown.toStdString(), c.shown);
    }
}

}  // namespace
}  // namespace zt::test

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
