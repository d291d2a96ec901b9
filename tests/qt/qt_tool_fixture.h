// The real Qt window over a real Tool, driven as a person would: the worker runs as in the app,
// keys go to the real buttons, and file dialogs are answered inside the real QFileDialog.
#pragma once

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

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "ui/qt/qt_controls.h"

namespace zt::test {

// Serves the GUI thread's events until the condition holds; false after a minute, which only a
// fault takes, sanitizers included. The tick only bounds how late the deadline is seen.
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

// Answers the next file dialog that comes up modal: notes what it showed, then cancels it or
// confirms it with `path` (empty: with the name it proposed) through QFileDialog's own checks.
class DialogAnswer {
public:
    explicit DialogAnswer(const std::string& path, bool cancel = false) {
        QObject::connect(&poll_, &QTimer::timeout, [this, path, cancel] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || seen) return;
            seen = true;
            shownName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            patterns = dialog->findChild<QFileSystemModel*>()->nameFilters().join(' ');
            asksBeforeReplacing = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            if (cancel) return dialog->reject();
            if (!path.empty()) dialog->selectFile(QString::fromStdString(path));
            static_cast<QDialog*>(dialog)->accept();
        });
        poll_.start(5);
    }

    bool seen = false;
    QString shownName;  // the file name the dialog proposed
    QString patterns;   // the name filter's patterns as the dialog applies them
    bool asksBeforeReplacing = false;

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
        EXPECT_TRUE(waitUntil([&] { return done.load(); }));
        thread.join();
    }

    QPushButton* slot(int index) const { return controls->button(tool->window.commandButton(index)); }
    QPushButton* device(unsigned row) const { return controls->button(tool->window.deviceButton(row)); }
    QString status() const { return controls->statusMessagePart()->text(); }

    std::unique_ptr<QtControls> controls;
    std::unique_ptr<Tool> tool;
};

}  // namespace zt::test
