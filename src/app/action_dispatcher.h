// ActionDispatcher: the request flags between the window and the worker, the handler table in slot
// order, the selection state, and the worker that runs one action at a time.
//
// Threads: the GUI thread only raises flags (onCommand, raiseAction, raiseDevice); the flags are
// 32-bit atomics, only ever loaded or stored whole. Everything else runs on the worker.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

#include "ui/controls_port.h"
#include "ui/window_layout.h"

namespace zt {

class DeviceRegistry;
class MainWindow;

enum SelectionState : std::int32_t { NoDevices = 0, DevicesFound = 1, DeviceSelected = 2 };

class ActionDispatcher {
public:
    using Handler = std::function<void()>;

    // Slot 0 runs findDevices and slot 7 noAction; slots 1 to 6 do nothing until setHandler.
    ActionDispatcher(DeviceRegistry& registry, MainWindow& window);
    ~ActionDispatcher();  // stops and joins a worker started by startWorker()
    ActionDispatcher(const ActionDispatcher&) = delete;
    ActionDispatcher& operator=(const ActionDispatcher&) = delete;

    // Worker thread only, or before the worker starts.
    void setHandler(int slot, Handler handler);

    // The window procedure's part: a click (notification code 0) on a command button raises its
    // slot's flag, on a device button its row's flag. The sender is known by its handle only.
    void onCommand(ControlHandle sender, int notificationCode);
    void raiseAction(int slot);
    void raiseDevice(unsigned row);

    // Starts the worker; false when the thread cannot be created.
    bool startWorker();
    // Ends the worker after the action it runs, if any, and joins it. For tests and orderly
    // shutdown; the app itself ends without waiting.
    void stopWorker();

    // One pass of the worker: the lowest raised action slot, else the lowest raised device row, is
    // run, then every flag is cleared. True when something ran.
    bool servePass();
    // Blocks until a flag is raised or the worker is told to stop.
    void waitForRequest();
    // How the idle worker blocks: waitWhileEqual unless a test replaces it (before the worker
    // starts) to see whether each wait would really block.
    using IdleWait = void (*)(std::atomic<std::int32_t>& word, std::int32_t current);
    void setIdleWait(IdleWait wait) { idleWait_ = wait; }

    void clearRequests();

    // The two selection actions, and the empty action of slot 7.
    void findDevices();
    void selectDevice(unsigned row);
    static void noAction() {}

    std::int32_t selectionState() const { return selectionState_; }

private:
    void workerLoop();
    void wake();

    DeviceRegistry& registry_;
    MainWindow& window_;
    std::int32_t selectionState_ = NoDevices;
    std::array<std::atomic<std::int32_t>, layout::kSlotCount> actionRequests_{};
    std::vector<std::atomic<std::int32_t>> deviceRequests_;  // one a row, each 0 when built
    std::array<Handler, layout::kSlotCount> actionHandlers_;
    // The idle worker sleeps on this word instead of spinning; raising a flag stores 1 into it.
    std::atomic<std::int32_t> wakeWord_{0};
    std::atomic<bool> stopRequested_{false};
    IdleWait idleWait_;
    std::thread worker_;
};

}  // namespace zt
