// Start-up against a minimal Qt window: the time from process start until the first window has
// been shown and painted, for the app and for Qt's hello world (a window with one line of text), each
// measured as a whole process (fork, exec, dynamic loading, Qt's platform start, the window), in
// alternation, median over the runs.
//
// How the first shown window is seen: the app reads no environment and takes no options, so it is
// not asked to say anything. Instead the app's own entry point (src/ui/qt/main.cpp, unchanged) is
// built a second time with one more object, the probe below: a Qt start-up function that watches
// every window and ends the process as soon as the first expose of a window has been handled
// (Qt paints the window's first frame while handling that expose). The minimal program carries
// the same probe, so both are stopped by the same event. The time is taken outside, from fork to
// the exit seen by waitpid, and the same fixed costs land on both sides.
//
// One source, three programs: ZT_FIRST_SHOW_PROBE builds the probe (into the app's copy and into
// the minimal program), ZT_MINIMAL_WINDOW adds the minimal program's main, and without either
// this is the driver.
#if defined(ZT_FIRST_SHOW_PROBE)

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cstdlib>

namespace {

class FirstShow : public QObject {
protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (event->type() == QEvent::Expose && target->isWindowType() &&
            static_cast<QWindow*>(target)->isExposed()) {
            // Runs after this expose, and with it the first paint, has been handled.
            QTimer::singleShot(0, [] { std::_Exit(EXIT_SUCCESS); });
        }
        return false;
    }
};

void installFirstShowProbe() { QCoreApplication::instance()->installEventFilter(new FirstShow); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(installFirstShowProbe)

#if defined(ZT_MINIMAL_WINDOW)
int main(int argc, char** argv) {
    QApplication application(argc, argv);
    // Qt's hello world: a window that shows a line of text, as any useful first window does.
    QLabel window(QStringLiteral("Hello, world"));
    window.resize(344, 206);
    window.show();
    return application.exec();
}
#endif

#else  // the driver

#include <cstdio>

#include "whole_process.h"

namespace {

constexpr const char* kGoal = "goal: startup_ratio_vs_qt_hello <= 1.2";
constexpr int kRuns = 15;
constexpr int kWarmUps = 2;  // fill the page cache and the font cache first

}  // namespace

int main() {
#if !defined(ZT_STARTUP_APP) || !defined(ZT_STARTUP_MINIMAL)
    std::printf("startup_ratio_vs_qt_hello: unavailable (built without the app)\n%s\n", kGoal);
    return 0;
#else
    const char* const app[] = {ZT_STARTUP_APP, nullptr};
    const char* const minimal[] = {ZT_STARTUP_MINIMAL, nullptr};
    const double ratio = bench::medianRatio({app}, {minimal}, kWarmUps, kRuns);
    if (ratio < 0) {
        std::printf("startup_ratio_vs_qt_hello: unavailable (a program failed)\n%s\n", kGoal);
        return 1;
    }
    std::printf("startup_ratio_vs_qt_hello: %.3f\n", ratio);
    std::printf("%s\n", kGoal);
    return 0;
#endif
}

#endif
