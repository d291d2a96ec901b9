// The tool's long-lived objects, built in their order and wired together: the registry and its
// catalogue rows, the main window over a controls port, the dispatcher and its handlers, the path
// buffers and the device-side objects. The app builds one; a test builds a fresh one per case.
#pragma once

#include <memory>
#include <string>

#include "app/action_dispatcher.h"
#include "app/path_buffers.h"
#include "app/transfer_actions.h"
#include "app/update_action.h"
#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "firmware/firmware_image.h"
#include "hid/active_device.h"
#include "hid/bootloader_channel.h"
#include "transfer/device_channel.h"
#include "transfer/preset_transfer.h"
#include "ui/main_window.h"
#include "zt_version.h"

namespace zt {

inline constexpr const char* kVersionText = "v" ZT_VERSION;

class Tool {
public:
    // `image` is the firmware image to use; without one the tool has an image of its own. The app
    // passes one in static storage, whose 2 MiB are not touched before the first firmware read.
    explicit Tool(ControlsPort& port, FirmwareImage* image = nullptr);
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    DeviceRegistry registry;
    Catalogue catalogue{registry};
    MainWindow window;
    PathBuffers paths;
    ActiveDevice activeDevice;
    // -- firmware update objects --
    std::unique_ptr<FirmwareImage> ownImage;
    FirmwareImage& image;  // before the channel, which fills it
    BootloaderChannel bootloader{activeDevice, image, registry};
    UpdateAction update{registry, window, paths};
    // -- transfer objects --
    DeviceChannel channel{activeDevice};
    PresetTransfer transfer{channel, registry, paths.presetsPath};
    TransferActions transfers{registry, window, transfer, paths};
    // Last, so that it is destroyed first: its destructor stops the worker before the actions the
    // worker runs, and the objects they use, go away.
    ActionDispatcher dispatcher{registry, window};
};

}  // namespace zt
