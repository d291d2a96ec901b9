#include "app/transfer_actions.h"

#include <functional>
#include <string>

#include "app/path_buffers.h"
#include "devices/device_kind.h"
#include "devices/device_registry.h"
#include "transfer/preset_transfer.h"
#include "ui/main_window.h"

namespace zt {

namespace {

// The code a presets action ends with when the selected kind has no preset bank at all (its
// buttons are not even shown for such a kind).
constexpr int kNoPresetBank = 99;

// The save actions' default names go in with a bounded copy of 255 characters, terminator included.
constexpr std::size_t kDefaultNameLimit = 255 - 1;

constexpr const char* kSavePrompt = "Select presets file to save";
constexpr const char* kLoadPrompt = "Select presets file to load";
constexpr const char* kPresetsFailure = "Presets transfer failed (";
constexpr const char* kWrongPresets = "Wrong presets file";

}  // namespace

// One action's values; the skeleton in run() is the same for all five.
struct TransferActions::Plan {
    bool needsBanks;                                        // silently ends for a one-bank kind
    const char* prompt;
    const char* defaultName;                                // save actions; nullptr keeps the buffer
    bool (MainWindow::*dialog)(std::string&);
    bool (DeviceRegistry::*fileTest)(const std::string&) const;  // load actions; nullptr for none
    const char* wrongFile;
    std::function<int()> transfer;
    const char* failurePrefix;
    const char* success;
};

TransferActions::TransferActions(DeviceRegistry& registry, MainWindow& window,
                                 PresetTransfer& transfer, PathBuffers& paths)
    : registry_(registry), window_(window), transfer_(transfer), paths_(paths) {}

void TransferActions::run(const Plan& plan) {
    // A transfer needs the device's normal firmware, not one of its loaders.
    if (registry_.bootloaderPresent()) {
        window_.setStatus("Restart device");
        return;
    }
    if (plan.needsBanks && !registry_.hasCapability(CAP_BIT_BANKS)) return;
    window_.setStatus(plan.prompt);
    if (plan.defaultName != nullptr) {
        paths_.presetsPath = std::string(plan.defaultName).substr(0, kDefaultNameLimit);
    }
    if (!(window_.*plan.dialog)(paths_.presetsPath)) {
        window_.setStatus("");
        return;
    }
    if (plan.fileTest != nullptr && !(registry_.*plan.fileTest)(std::string(paths_.presetsPath))) {
        window_.setStatus(plan.wrongFile);
        return;
    }
    window_.startProgress();
    window_.setStatus("Transfer in progress...");
    const int code = plan.transfer();
    if (code != 0) {
        window_.setStatus(plan.failurePrefix + std::to_string(static_cast<unsigned>(code)) + ")");
    } else {
        window_.setStatus(plan.success);
    }
    window_.hideProgress();
}

void TransferActions::savePresets() {
    const bool oneBank = registry_.hasCapability(CAP_BIT_PRESETS);
    const bool twoBanks = registry_.hasCapability(CAP_BIT_BANKS);
    run({false, kSavePrompt,
         oneBank ? "kadoPresets.zentari" : twoBanks ? "siravelPresetsBankA.zentari" : nullptr,
         &MainWindow::chooseSavePresetsFile, nullptr, nullptr,
         [&] {
             if (oneBank) return transfer_.downloadPresets(0, 0, 256);
             if (twoBanks) return transfer_.downloadPresets(0, 0, 64);
             return kNoPresetBank;
         },
         kPresetsFailure, "File saved successfully"});
}

void TransferActions::saveBankB() {
    run({true, kSavePrompt, "siravelPresetsBankB.zentari", &MainWindow::chooseSavePresetsFile,
         nullptr, nullptr, [&] { return transfer_.downloadPresets(1, 0, 64); }, kPresetsFailure,
         "File saved successfully"});
}

void TransferActions::loadPresets() {
    run({false, kLoadPrompt, nullptr, &MainWindow::chooseLoadPresetsFile,
         &DeviceRegistry::presetsFileMatches, kWrongPresets,
         [&] {
             if (registry_.hasCapability(CAP_BIT_PRESETS)) return transfer_.uploadFile(-1);
             if (registry_.hasCapability(CAP_BIT_BANKS)) return transfer_.uploadFile(0);
             return kNoPresetBank;
         },
         kPresetsFailure, "File loaded successfully"});
}

void TransferActions::loadBankB() {
    run({true, kLoadPrompt, nullptr, &MainWindow::chooseLoadPresetsFile,
         &DeviceRegistry::presetsFileMatches, kWrongPresets,
         [&] { return transfer_.uploadFile(1); }, kPresetsFailure, "Presets loaded successfully"});
}

void TransferActions::loadWavetables() {
    run({true, "Select wavetable file to load", nullptr, &MainWindow::chooseWavetablesFile,
         &DeviceRegistry::wavetablesFileMatches, "Wrong wavetables file",
         [&] { return transfer_.uploadFile(-1); }, "Wavetables transfer failed (",
         "Wavetables loaded successfully"});
}

}  // namespace zt
