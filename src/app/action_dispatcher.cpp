#include "app/action_dispatcher.h"

#include "platform/idle_wait.h"
#include "devices/device_registry.h"
#include "ui/main_window.h"

namespace zt {

ActionDispatcher::ActionDispatcher(DeviceRegistry& registry, MainWindow& window)
    : registry_(registry),
      window_(window),
      deviceRequests_(registry.rowCount()),
      idleWait_(waitWhileEqual) {
    for (Handler& handler : actionHandlers_) handler = [] { noAction(); };
    actionHandlers_[0] = [this] { findDevices(); };
}

ActionDispatcher::~ActionDispatcher() { stopWorker(); }

void ActionDispatcher::setHandler(int slot, Handler handler) {
    if (slot >= 0 && slot < layout::kSlotCount && handler) {
        actionHandlers_[slot] = std::move(handler);
    }
}

void ActionDispatcher::onCommand(ControlHandle sender, int notificationCode) {
    if (notificationCode != 0 || sender == 0) return;
    for (int slot = 0; slot < layout::kSlotCount; ++slot) {
        if (sender == window_.commandButton(slot)) raiseAction(slot);
    }
    for (unsigned row = 0; row < deviceRequests_.size(); ++row) {
        if (sender == window_.deviceButton(row)) raiseDevice(row);
    }
}

void ActionDispatcher::raiseAction(int slot) {
    if (slot < 0 || slot >= layout::kSlotCount) return;
    actionRequests_[slot].store(1);
    wake();
}

void ActionDispatcher::raiseDevice(unsigned row) {
    if (row >= deviceRequests_.size()) return;
    deviceRequests_[row].store(1);
    wake();
}

void ActionDispatcher::wake() {
    wakeWord_.store(1);
    wakeOneWaiter(wakeWord_);
}

void ActionDispatcher::clearRequests() {
    for (auto& flag : actionRequests_) flag.store(0);
    for (auto& flag : deviceRequests_) flag.store(0);
}

bool ActionDispatcher::servePass() {
    for (int slot = 0; slot < layout::kSlotCount; ++slot) {
        if (actionRequests_[slot].load() == 1) {
            actionRequests_[slot].store(0);
            actionHandlers_[slot]();
            // Presses made while the action ran are dropped here.
            clearRequests();
            return true;
        }
    }
    for (unsigned row = 0; row < deviceRequests_.size(); ++row) {
        if (deviceRequests_[row].load() == 1) {
            deviceRequests_[row].store(0);
            selectDevice(row);
            clearRequests();
            return true;
        }
    }
    return false;
}

void ActionDispatcher::waitForRequest() {
    // Clear the wake word before looking at the flags: a flag raised after the look stores 1 into
    // the word again, so the wait below cannot miss it.
    wakeWord_.store(0);
    for (int slot = 0; slot < layout::kSlotCount; ++slot) {
        if (actionRequests_[slot].load() == 1) return;
    }
    for (unsigned row = 0; row < deviceRequests_.size(); ++row) {
        if (deviceRequests_[row].load() == 1) return;
    }
    if (stopRequested_.load()) return;
    idleWait_(wakeWord_, 0);
}

void ActionDispatcher::workerLoop() {
    while (!stopRequested_.load()) {
        if (!servePass()) waitForRequest();
    }
}

bool ActionDispatcher::startWorker() {
    if (worker_.joinable()) return true;
    try {
        worker_ = std::thread([this] { workerLoop(); });
    } catch (...) {
        return false;
    }
    return true;
}

void ActionDispatcher::stopWorker() {
    if (!worker_.joinable()) return;
    stopRequested_.store(true);
    wake();
    worker_.join();
    stopRequested_.store(false);
}

}  // namespace zt
