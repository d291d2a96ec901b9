// The real Qt window over a real Tool on Qt's offscreen platform: names and pictures, the keyboard
// path through a search and a selection, the progress bar, the file dialogs from the worker's side.
#include <QTest>
#include <QtWidgets>

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <string>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "support/scratch_folder.h"
#include "ui/qt/qt_controls.h"
#include "zt_version.h"

namespace zt::test {
namespace {

class QtTool : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(tool.window.create()); }
    void TearDown() override { hidsim::detachAll(); }

    QPushButton* slot(int index) const { return controls.button(tool.window.commandButton(index)); }

    QtControls controls{[this](ControlHandle c, int code) { tool.dispatcher.onCommand(c, code); }};
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
        const QString name = tool.registry.row(row).name;  // its text is never drawn
        EXPECT_EQ(button->text() + '|' + button->toolTip(), '|' + name);  // the walk reads its name
        EXPECT_TRUE(QTest::qWaitFor([&] { return !button->icon().isNull(); }, 60000));
        EXPECT_EQ(button->icon().pixmap(button->iconSize(), 2.0).size(), QSize(200, 150));
    }
    QStringList sizes;  // the window icon's pictures, each with its twice-as-large twin
    for (QSize size : window->windowIcon().availableSizes()) sizes << QString::number(size.width());
    EXPECT_EQ(sizes.join(' '), "16 32 24 48 32 64 48 96 64 128 128 256 256 512");

    // Space searches; Tab walks the visible buttons in reading order; Enter on a kind selects it.
    // Requests are served on this thread, so each key meets the window its action left.
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
    EXPECT_EQ(walk(), "Find Devices@10,2");
    const auto present = std::make_shared<hidsim::PresenceDevice>();
    hidsim::attach(0x1FC9, 0x815B, present);
    for (int product : {0x0DAF, 0x0EA1, 0x0EA0}) hidsim::attach(0x16D0, product, present);
    const std::string found =
        "Find Devices@10,2 Kado@116,2 Siravel@222,2 Mondrel@10,86 Jubble@116,86";
    key(Qt::Key_Space);
    EXPECT_EQ(accessibleName(controls.statusMessagePart()), "Devices found, select one");
    EXPECT_EQ(walk(), found);
    for (int tab = 0; tab < 2; ++tab) key(Qt::Key_Tab);  // past Kado to Siravel
    QTest::keyPress(window->focusWidget(), Qt::Key_Return);  // it acts on the press
    while (tool.dispatcher.servePass()) continue;
    EXPECT_EQ(walk(), "Find Devices@10,2 Siravel@116,2 Update@10,86 Save Bank A@116,86 "
                      "Save Bank B@222,86 Load Bank A@116,113 Load Bank B@222,113 "
                      "Load Wavetables@169,141");
    key(Qt::Key_Space);  // a new search hides the kind's buttons, "Save Bank A" included
    EXPECT_EQ(walk(), found);
}

// The bar as the actions drive it: empty at each start, never back, full (not wrapped) at 100.
TEST_F(QtTool, ProgressBarStartsEmptyNeverMovesBackAndStaysFull) {
    MainWindow& w = tool.window;
    QProgressBar* bar = controls.progressBar();
    // After each step: the bar's maximum, value and visibility, and MainWindow's count of steps.
    const std::pair<std::function<void()>, const char*> steps[] = {
        {[&] { w.showBusyProgress(); }, "0 -1 1 0"},  // no running marquee
        {[&] { w.startProgress(); }, "99 0 1 0"},  // a range other than 0..99, or not empty
        {[&] { w.advanceProgress(50); }, "99 50 1 50"},  // steps short of the percentage
        {[&] { w.advanceProgress(30); }, "99 50 1 50"},  // the bar moving back
        {[&] { w.advanceProgress(100); }, "99 99 1 100"},  // 100 wrapping to empty
        {[&] { w.startProgress(); }, "99 0 1 0"},  // a restart not empty, or the count kept
        {[&] { w.hideProgress(); }, "99 0 0 0"},  // the bar not put away, or emptied
    };
    for (const auto& [step, state] : steps) {
        step();
        EXPECT_EQ(QStringLiteral("%1 %2 %3 %4").arg(bar->maximum()).arg(bar->value())
                      .arg(bar->isVisible()).arg(w.progressCount()).toStdString(), state);
    }
    EXPECT_EQ(accessibleName(bar), "Progress");
}

// Each choice opens its dialog from the worker's side, modal to the window, with its patterns. The
// buffer holds 255 or 260 bytes with the terminating zero: a longer path is refused, never cut.
TEST_F(QtTool, FileDialogsGiveWhatWasChosenWithinTheBuffer) {
    const ScratchFolder folder;
    using W = MainWindow;
    const std::string old = folder.path("old.zentari");
    const std::string dir = folder.path("");
    const std::string fits = dir + std::string(246 - dir.size(), 'a') + ".zentari";  // 254 bytes
    const std::string tooLong = dir + "\xc3\xbc" + std::string(250 - dir.size(), 'a') + ".zentari";
    const struct {
        const char* fault;
        bool (MainWindow::*choose)(std::string&);
        std::string typed;  // confirmed in the dialog; empty: a cancel
        std::string result;  // the buffer afterwards; unchanged unless confirmed
        const char* patterns;
    } cases[] = {
        {"no extension, or replacing unasked", &W::chooseSavePresetsFile, dir + "a",
         dir + "a.zentari", "*.zentari"},
        {"a cancel changing the buffer", &W::chooseFirmwareFile, "", old, "*.hex *.kzt *.kzp"},
        {"a path that fits refused", &W::chooseLoadPresetsFile, fits, fits, "*.zentari"},
        {"bytes counted as characters", &W::chooseWavetablesFile, tooLong, old, "*.zentari"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        if (c.choose != &W::chooseSavePresetsFile) std::ofstream{c.typed};  // opened: must exist
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
        using enum std::future_status;
        const auto done = [&] { return chosen.wait_for(std::chrono::seconds()) == ready; };
        EXPECT_TRUE(QTest::qWaitFor(done, 60000));
        EXPECT_EQ(chosen.get(), c.result != old);
        EXPECT_EQ(path, c.result);
        EXPECT_EQ(shown.toStdString(), "old.zentari " + std::string(c.patterns) + " asks");
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
