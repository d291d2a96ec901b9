// The Linux and macOS entry point: the tool's objects over the Qt window, the worker, the event
// loop. No command-line options and no console output.
#include <QApplication>

#include <cstdlib>

#include "app/tool.h"
#include "ui/qt/qt_controls.h"

namespace {

// Qt's own warnings would reach the console; the tool prints nothing.
void dropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(dropMessage);

    // Qt sees only the program name, so no option on the command line changes anything.
    static int qtArgc = 1;
    static char programName[] = "zentari-tool";
    static char* qtArgv[] = {argc > 0 ? argv[0] : programName, nullptr};
    auto* application = new QApplication(qtArgc, qtArgv);

    // The objects live as long as the process and are never destroyed: when the window closes,
    // the process ends at once, while a running action may still be using them.
    zt::Tool* tool = nullptr;
    auto* controls = new zt::QtControls([&tool](zt::ControlHandle sender, int code) {
        tool->dispatcher.onCommand(sender, code);
    });
    static zt::FirmwareImage image;  // static storage: untouched until the first firmware read
    tool = new zt::Tool(*controls, &image);

    // Without its window, or without the worker that serves its buttons, the tool could only sit
    // there unseen or unanswering; it ends instead.
    if (!tool->window.create()) std::_Exit(EXIT_FAILURE);
    if (!tool->dispatcher.startWorker()) std::_Exit(EXIT_FAILURE);
    const int code = application->exec();
    std::_Exit(code);
}
