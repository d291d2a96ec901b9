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

constexpr const char* kSavePrompt = "Select presets file to save";
constexpr const char* kLoadPrompt = "Select presets file to load";
constexpr const char* kPresetsFailure = "Presets transfer failed (";
constexpr const char* kWrongPresets = "Wrong presets file";

}  // namespace

// One action's values; the skeleton in run() is the same for all five.
struct TransferActions::Plan {
    bool needsBanks;                                        // silently ends for a one-bank kind
    const char* prompt;
    const char* defaultName;  // save actions; nullptr keeps the buffer
    bool (MainWindow::*dialog)(std::string&);
    // Load actions; nullptr for none.
    bool (DeviceRegistry::*fileTest)(const std::string&) const;
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
    // The default names are far shorter than the 255-character bound of the buffer they go into.
    if (plan.defaultName != nullptr) paths_.presetsPath = plan.defaultName;
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
    const char* defaultName = nullptr;
    if (oneBank) {
        defaultName = "kadoPresets.zentari";
    } else if (twoBanks) {
        defaultName = "siravelPresetsBankA.zentari";
    }
    run({.needsBanks = false,
         .prompt = kSavePrompt,
         .defaultName = defaultName,
         .dialog = &MainWindow::chooseSavePresetsFile,
         .fileTest = nullptr,
         .wrongFile = nullptr,
         .transfer =
             [&] {
                 if (oneBank) return transfer_.downloadPresets(0, 0, 256);
                 if (twoBanks) return transfer_.downloadPresets(0, 0, 64);
                 return kNoPresetBank;
             },
         .failurePrefix = kPresetsFailure,
         .success = "File saved successfully"});
}

void TransferActions::saveBankB() {
    run({.needsBanks = true,
         .prompt = kSavePrompt,
         .defaultName = "siravelPresetsBankB.zentari",
         .dialog = &MainWindow::chooseSavePresetsFile,
         .fileTest = nullptr,
         .wrongFile = nullptr,
         .transfer = [&] { return transfer_.downloadPresets(1, 0, 64); },
         .failurePrefix = kPresetsFailure,
         .success = "File saved successfully"});
}

void TransferActions::loadPresets() {
    run({.needsBanks = false,
         .prompt = kLoadPrompt,
         .defaultName = nullptr,
         .dialog = &MainWindow::chooseLoadPresetsFile,
         .fileTest = &DeviceRegistry::presetsFileMatches,
         .wrongFile = kWrongPresets,
         .transfer =
             [&] {
                 if (registry_.hasCapability(CAP_BIT_PRESETS)) return transfer_.uploadFile(-1);
                 if (registry_.hasCapability(CAP_BIT_BANKS)) return transfer_.uploadFile(0);
                 return kNoPresetBank;
             },
         .failurePrefix = kPresetsFailure,
         .success = "File loaded successfully"});
}

void TransferActions::loadBankB() {
    run({.needsBanks = true,
         .prompt = kLoadPrompt,
         .defaultName = nullptr,
         .dialog = &MainWindow::chooseLoadPresetsFile,
         .fileTest = &DeviceRegistry::presetsFileMatches,
         .wrongFile = kWrongPresets,
         .transfer = [&] { return transfer_.uploadFile(1); },
         .failurePrefix = kPresetsFailure,
         .success = "Presets loaded successfully"});
}

void TransferActions::loadWavetables() {
    run({.needsBanks = true,
         .prompt = "Select wavetable file to load",
         .defaultName = nullptr,
         .dialog = &MainWindow::chooseWavetablesFile,
         .fileTest = &DeviceRegistry::wavetablesFileMatches,
         .wrongFile = "Wrong wavetables file",
         .transfer = [&] { return transfer_.uploadFile(-1); },
         .failurePrefix = "Wavetables transfer failed (",
         .success = "Wavetables loaded successfully"});
}

}  // namespace zt
