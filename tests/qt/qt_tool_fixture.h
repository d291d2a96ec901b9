// The real Qt window over a real Tool, driven as a person would: the worker runs as in the app,
// clicks go to the real buttons, and file dialogs are answered inside the real QFileDialog.
#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "ui/qt/qt_controls.h"

namespace zt::test {

// Long enough for any action here, sanitizers included: reaching it means a fault.
inline constexpr int kPatienceMs = 60000;

// Serves the GUI thread's events until the condition holds; false when the patience ran out. The
// worker's window calls wake the loop at once; the tick only bounds how late the deadline is seen.
template <typename Condition>
bool waitUntil(Condition condition) {
    QTimer tick;
    tick.start(5);
    const QDeadlineTimer deadline(kPatienceMs);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

// Answers the next file dialog that comes up modal: notes what it showed, then cancels it or
// confirms it with `path` (empty: with the name it proposed). Lives on the GUI thread.
class DialogAnswer {
public:
    explicit DialogAnswer(const std::string& path, bool cancel = false) {
        QObject::connect(&poll_, &QTimer::timeout, [this, path, cancel] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || seen) return;
            seen = true;
            shownName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            if (auto* model = dialog->findChild<QFileSystemModel*>()) patterns = model->nameFilters();
            if (cancel) return dialog->reject();
            if (!path.empty()) dialog->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own checks run
        });
        poll_.start(5);
    }

    bool seen = false;
    QString shownName;     // the file name the dialog proposed
    QStringList patterns;  // the name filter's patterns as the dialog applies them

private:
    QTimer poll_;
};

class QtTool : public ::testing::Test {
protected:
    void SetUp() override {
        hidsim::detachAll();
        controls = std::make_unique<QtControls>(
            [this](ControlHandle sender, int code) { tool->dispatcher.onCommand(sender, code); });
        tool = std::make_unique<Tool>(*controls);
        ASSERT_TRUE(tool->window.create());
        ASSERT_TRUE(tool->dispatcher.startWorker());
    }

    void TearDown() override {
        // The worker may be waiting for the GUI thread, which must keep serving while it stops.
        offGuiThread([this] { tool->dispatcher.stopWorker(); });
        tool.reset();
        controls.reset();
        hidsim::detachAll();
    }

    // Runs `work` on a thread of its own, as the worker would, and serves events until it ends.
    void offGuiThread(const std::function<void()>& work) {
        std::atomic<bool> done{false};
        std::thread thread([&] {
            work();
            done.store(true);
        });
        if (!waitUntil([&] { return done.load(); })) {
            ADD_FAILURE() << "the other thread did not finish";
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            (void)waitUntil([&] { return done.load(); });
        }
        thread.join();
    }

    QPushButton* slot(int index) const { return controls->button(tool->window.commandButton(index)); }
    QPushButton* device(unsigned row) const { return controls->button(tool->window.deviceButton(row)); }
    QString status() const { return controls->statusMessagePart()->text(); }

    // Clicks until the worker takes the press: one that lands while an action still runs is
    // dropped, as in the app. Every action begins by changing the status text.
    void press(QPushButton* button) {
        const QString before = status();
        EXPECT_TRUE(waitUntil([&] {
            if (status() == before) QTest::mouseClick(button, Qt::LeftButton);
            return status() != before;
        })) << button->text().toStdString();
    }

    // Waits for an action to end with `text`, the progress bar put away.
    bool endsWith(const QString& text) {
        return waitUntil([&] { return status() == text && !controls->progressBar()->isVisible(); });
    }

    // Finds devices, selects the row's kind, and waits for its last button to show.
    void selectKind(unsigned row, QPushButton* lastShown) {
        press(slot(0));
        ASSERT_TRUE(waitUntil([&] { return device(row)->isVisible(); })) << status().toStdString();
        press(device(row));
        ASSERT_TRUE(waitUntil([&] { return lastShown->isVisible(); })) << status().toStdString();
    }

    // Keeps a picture of the whole window under the build folder.
    void screenshot(const QString& name) {
        ASSERT_TRUE(QDir().mkpath(QStringLiteral(ZT_SCREENSHOT_DIR)));
        EXPECT_TRUE(controls->window()->grab().save(QStringLiteral(ZT_SCREENSHOT_DIR "/") + name + ".png"));
    }

    std::unique_ptr<QtControls> controls;
    std::unique_ptr<Tool> tool;
};

}  // namespace zt::test
