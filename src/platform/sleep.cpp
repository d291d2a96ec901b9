#include "platform/sleep.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace zt {

namespace {
std::atomic<SleepHook> hook{nullptr};
}

void sleepMilliseconds(int milliseconds) {
    if (SleepHook h = hook.load()) {
        h(milliseconds);
        return;
    }
    // A time of zero or less returns at once.
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void setSleepHook(SleepHook h) { hook.store(h); }

}  // namespace zt
