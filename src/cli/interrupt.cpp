#include "cli/interrupt.h"

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "cli/options.h"
#include "platform/signal_safe_write.h"
#include "platform/stop_request.h"

namespace zt::cli {

namespace {

std::atomic<int> mode{static_cast<int>(StopMode::ExitNow)};
std::atomic<bool> seen{false};

constexpr char kRiskWarning[] =
    "\nStopping now can leave the device without firmware or with half its presets. "
    "Press Ctrl-C again to stop anyway.\n";
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "the flags are set from a signal handler");

extern "C" void onInterrupt(int) {
    // Windows puts the default action back before it calls a handler.
    std::signal(SIGINT, onInterrupt);
    const auto now = static_cast<StopMode>(mode.load());
    const bool again = seen.exchange(true);
    if (now == StopMode::ExitNow || (now == StopMode::WarnFirst && again)) {
        std::_Exit(kExitInterrupted);
    }
    if (now == StopMode::StopSave) {
        requestStop();
    } else {
        writeToStderrFromSignal(kRiskWarning, sizeof kRiskWarning - 1);
    }
}

}  // namespace

void installInterruptHandler() { std::signal(SIGINT, onInterrupt); }

void setStopMode(StopMode next) {
    seen.store(false);
    mode.store(static_cast<int>(next));
}

bool interrupted() { return seen.load(); }

}  // namespace zt::cli
