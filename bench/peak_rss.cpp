// Peak resident memory of the whole tool at work: the real Qt window over a Tool and its worker,
// a one-bank device (Kado, 256 slots) emulated by hidsim, and a full bank save run as a person
// would: "Find Devices", the device's button, "Save Presets", the name confirmed in the real file
// dialog. Then the high-water mark VmHWM of this process, from /proc/self/status.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

namespace {

constexpr const char* kGoal = "goal: peak_rss_mib < 60";

// VmHWM in KiB, or -1.
long peakResidentKib() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

}  // namespace

#if !defined(ZT_WITH_QT)

int main() {
    std::printf("peak_rss_mib: unavailable (built without the app)\n%s\n", kGoal);
    return 0;
}

#else

// The emulator comes before Qt, whose `slots` keyword would take its slots() apart.
#include "hidsim/hidsim.h"
#include "hidsim/preset_device.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QDialog>
#include <QFileDialog>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <memory>

#include "app/tool.h"
#include "support/hex_text.h"
#include "ui/qt/qt_controls.h"

namespace {

// Serves events until the condition holds or a minute has passed.
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

int fail(const char* what) {
    std::printf("peak_rss_mib: unavailable (%s)\n%s\n", what, kGoal);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::unique_ptr<zt::Tool> tool;
    zt::QtControls controls([&tool](zt::ControlHandle sender, int code) {
        tool->dispatcher.onCommand(sender, code);
    });
    tool = std::make_unique<zt::Tool>(controls);
    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::OneBank));
    if (!tool->window.create() || !tool->dispatcher.startWorker()) return fail("no window");

    const auto status = [&] { return controls.statusMessagePart()->text(); };
    // A press made while an action still runs is dropped, as in the app: press until taken.
    const auto press = [&](QPushButton* button) {
        const QString before = status();
        return waitUntil([&] {
            if (status() == before) QTest::mouseClick(button, Qt::LeftButton);
            return status() != before;
        });
    };
    QPushButton* search = controls.button(tool->window.commandButton(0));
    QPushButton* kado = controls.button(tool->window.deviceButton(0));
    QPushButton* save = controls.button(tool->window.commandButton(2));
    if (!press(search) || !waitUntil([&] { return kado->isVisible(); })) return fail("not found");
    if (!press(kado) || !waitUntil([&] { return save->isVisible(); })) return fail("not selected");

    const zt::test::ScratchFolder folder;
    const std::string file = folder.path("kadoPresets.zentari");
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            answer.stop();
            dialog->selectFile(QString::fromStdString(file));
            static_cast<QDialog*>(dialog)->accept();
        }
    });
    answer.start(5);
    if (!press(save) || !waitUntil([&] {
            return status() == "File saved successfully" && !controls.progressBar()->isVisible();
        })) {
        return fail("the save did not succeed");
    }
    std::error_code error;
    if (std::filesystem::file_size(file, error) != 704640u) return fail("wrong file size");

    const long kib = peakResidentKib();
    if (kib < 0) return fail("no VmHWM");
    std::printf("peak_rss_mib: %.1f\n%s\n", static_cast<double>(kib) / 1024.0, kGoal);
    // Like the app, end without tearing down what the worker may still hold.
    std::fflush(stdout);
    std::_Exit(0);
}

#endif
