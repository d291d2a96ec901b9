// The tool's long-lived objects, built in their order and wired together: the registry and its
// catalogue rows, the main window over a controls port, the dispatcher and its handlers, the path
// buffers and the device-side objects. The app builds one; a test builds a fresh one per case.
#pragma once

#include <string>

#include "app/action_dispatcher.h"
#include "app/path_buffers.h"
#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hid/active_device.h"
#include "ui/main_window.h"

namespace zt {

inline constexpr const char* kVersionText = "v1.2.1";

class Tool {
public:
    explicit Tool(ControlsPort& port);
    Tool(const Tool&) = delete;
    Tool& operator=(const Tool&) = delete;

    DeviceRegistry registry;
    Catalogue catalogue{registry};
    MainWindow window;
    ActionDispatcher dispatcher;
    PathBuffers paths;
    ActiveDevice activeDevice;
    // -- firmware update objects --
    // -- transfer objects --
};

}  // namespace zt
