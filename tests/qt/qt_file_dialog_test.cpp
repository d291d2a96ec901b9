// The four file dialogs as the worker runs them: from another thread, modal to the real window,
// answered here by driving the real QFileDialog.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "ui/qt/qt_controls.h"
#include "ui/window_layout.h"

namespace zt::test {
namespace {

constexpr int kPatienceMs = 20000;

// What the test does with the dialog once it is up.
struct Answer {
    bool cancel = false;
    std::string typed;  // full path put into the dialog before confirming; empty: keep the proposed
};

// What the dialog showed and what the call gave back.
struct Outcome {
    bool confirmed = false;
    std::string path;         // the buffer after the call
    QString shownName;        // the file name the dialog proposed
    QStringList patterns;     // the name filter's patterns as the dialog applies them
    bool dialogSeen = false;
};

class QtFileDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        controls = std::make_unique<QtControls>([](ControlHandle, int) {});
        ASSERT_TRUE(controls->createWindow(layout::kWindow));
    }

    std::string inDir(const std::string& name) const {
        return (dir.path() + QLatin1Char('/')).toStdString() + name;
    }
    void touch(const std::string& path) const {
        QFile file(QString::fromStdString(path));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path;
    }

    // Runs the dialog from a thread of its own, as the worker does, and answers it from here.
    Outcome run(const FileDialogSpec& spec, const std::string& proposed, const Answer& answer) {
        Outcome outcome;
        outcome.path = proposed;
        QTimer driver;
        driver.setInterval(5);
        QObject::connect(&driver, &QTimer::timeout, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || outcome.dialogSeen) return;
            outcome.dialogSeen = true;
            outcome.shownName = QFileInfo(dialog->selectedFiles().value(0)).fileName();
            if (auto* model = dialog->findChild<QFileSystemModel*>()) {
                outcome.patterns = model->nameFilters();
            }
            if (answer.cancel) {
                dialog->reject();
                return;
            }
            if (!answer.typed.empty()) dialog->selectFile(QString::fromStdString(answer.typed));
            static_cast<QDialog*>(dialog)->accept();  // QFileDialog's own checks run
        });
        driver.start();

        std::atomic<bool> done{false};
        std::thread worker([&] {
            outcome.confirmed = controls->runFileDialog(spec, outcome.path);
            done.store(true);
        });
        if (!QTest::qWaitFor([&] { return done.load(); }, kPatienceMs)) {
            ADD_FAILURE() << "the dialog did not close";
            if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
            (void)QTest::qWaitFor([&] { return done.load(); }, kPatienceMs);
        }
        worker.join();
        return outcome;
    }

    QTemporaryDir dir;
    std::unique_ptr<QtControls> controls;
};

// A path in `directory` whose UTF-8 form is exactly `bytes` long, built of `fill` (one or two
// bytes) and ending in ".zentari".
std::string pathOfLength(const std::string& directory, std::size_t bytes, const std::string& fill) {
    std::string path = directory + "/";
    const std::string suffix = ".zentari";
    while (path.size() + fill.size() + suffix.size() <= bytes) path += fill;
    while (path.size() + suffix.size() < bytes) path += 'a';
    return path + suffix;
}

TEST_F(QtFileDialog, ConfirmedAndCancelledChoices) {
    struct Case {
        const char* name;
        const FileDialogSpec& spec;
        std::string proposed;  // in the temporary folder; empty: an empty buffer
        std::string existing;  // a file made beforehand, in the temporary folder
        Answer answer;         // typed names are in the temporary folder
        bool confirmed;
        std::string path;      // the buffer afterwards, in the temporary folder
        std::string shownName;
    };
    const Case cases[] = {
        {"the save dialog proposes the buffer's name", layout::kSavePresetsDialog,
         "kadoPresets.zentari", "", {}, true, "kadoPresets.zentari", "kadoPresets.zentari"},
        {"a name typed without extension gets .zentari", layout::kSavePresetsDialog, "", "",
         {false, "mine"}, true, "mine.zentari", ""},
        {"a name typed with an extension keeps it", layout::kSavePresetsDialog, "", "",
         {false, "mine.bin"}, true, "mine.bin", ""},
        {"an open dialog returns the existing file chosen", layout::kLoadPresetsDialog, "",
         "bank.zentari", {false, "bank.zentari"}, true, "bank.zentari", ""},
        {"an open dialog adds no extension", layout::kFirmwareDialog, "", "kado-2.kzt",
         {false, "kado-2.kzt"}, true, "kado-2.kzt", ""},
        {"cancel leaves the buffer as it was", layout::kFirmwareDialog, "old.hex", "", {true, ""},
         false, "old.hex", "old.hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.existing.empty()) touch(inDir(c.existing));
        Answer answer = c.answer;
        if (!answer.typed.empty()) answer.typed = inDir(answer.typed);
        const Outcome outcome = run(c.spec, c.proposed.empty() ? "" : inDir(c.proposed), answer);
        ASSERT_TRUE(outcome.dialogSeen);
        EXPECT_EQ(outcome.confirmed, c.confirmed);
        EXPECT_EQ(outcome.path, inDir(c.path));
        if (!c.shownName.empty()) {
            EXPECT_EQ(outcome.shownName.toStdString(), c.shownName);
        }
    }
}

// The buffer holds largestPath bytes with the terminating zero; a longer path is a failure and
// must not be cut into a different, wrong name.
TEST_F(QtFileDialog, PathsLongerThanTheBufferAreRefused) {
    struct Case {
        const char* name;
        const FileDialogSpec& spec;
        std::size_t bytes;
        const char* fill;
        bool confirmed;
    };
    const Case cases[] = {
        {"254 bytes fit the 255-byte presets buffer", layout::kLoadPresetsDialog, 254, "a", true},
        {"255 bytes do not", layout::kLoadPresetsDialog, 255, "a", false},
        {"259 bytes of two-byte characters fit 260", layout::kWavetablesDialog, 259, "\xc3\xbc", true},
        {"260 bytes of two-byte characters do not", layout::kWavetablesDialog, 260, "\xc3\xbc", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string target = pathOfLength(dir.path().toStdString(), c.bytes, c.fill);
        ASSERT_EQ(target.size(), c.bytes);
        touch(target);
        const std::string before = inDir("before.zentari");
        const Outcome outcome = run(c.spec, before, {false, target});
        EXPECT_EQ(outcome.confirmed, c.confirmed);
        EXPECT_EQ(outcome.path, c.confirmed ? target : before);
    }
}

TEST_F(QtFileDialog, EachDialogFiltersByItsPatterns) {
    struct Case {
        const FileDialogSpec& spec;
        QStringList patterns;
    };
    const Case cases[] = {
        {layout::kFirmwareDialog, {"*.hex", "*.kzt", "*.kzp"}},
        {layout::kLoadPresetsDialog, {"*.zentari"}},
        {layout::kSavePresetsDialog, {"*.zentari"}},
        {layout::kWavetablesDialog, {"*.zentari"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.spec.filterDescription);
        const Outcome outcome = run(c.spec, "", {true, ""});
        EXPECT_EQ(outcome.patterns, c.patterns);
    }
}

}  // namespace
}  // namespace zt::test
