#include "app/tool.h"

namespace zt {

Tool::Tool(ControlsPort& port)
    : window(registry, port, kVersionText), dispatcher(registry, window) {
    registry.setProgressSink(&window);
    // -- firmware update wiring --
    // -- transfer wiring --
}

}  // namespace zt
