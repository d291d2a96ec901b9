// The five preset and wavetable actions behind command slots 2 to 6: make sure the device runs its
// normal firmware, ask for a file, test a file to be loaded, run the transfer and show how it
// ended. All feedback is the status text and the progress bar; the bar is shown only around the
// transfer itself.
//
// The presets path buffer keeps what was last written into it (a save's default name or a path
// the user confirmed), and the next dialog proposes it.
//
// Worker thread only, one action at a time. The actions leave the selection and the buttons alone.
#pragma once

namespace zt {

class DeviceRegistry;
class MainWindow;
class PresetTransfer;
struct PathBuffers;

class TransferActions {
public:
    TransferActions(DeviceRegistry& registry, MainWindow& window, PresetTransfer& transfer,
                    PathBuffers& paths);
    TransferActions(const TransferActions&) = delete;
    TransferActions& operator=(const TransferActions&) = delete;

    void savePresets();     // slot 2: "Save Presets" / "Save Bank A"
    void saveBankB();       // slot 3: "Save Bank B"
    void loadPresets();     // slot 4: "Load Presets" / "Load Bank A"
    void loadBankB();       // slot 5: "Load Bank B"
    void loadWavetables();  // slot 6: "Load Wavetables"

private:
    struct Plan;
    void run(const Plan& plan);

    DeviceRegistry& registry_;
    MainWindow& window_;
    PresetTransfer& transfer_;
    PathBuffers& paths_;
};

}  // namespace zt
