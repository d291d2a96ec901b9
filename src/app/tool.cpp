#include "app/tool.h"

namespace zt {

Tool::Tool(ControlsPort& port, FirmwareImage* sharedImage)
    : window(registry, port, kVersionText),
      ownImage(sharedImage ? nullptr : std::make_unique<FirmwareImage>()),
      image(sharedImage ? *sharedImage : *ownImage) {
    registry.setProgressSink(&window);
    // -- firmware update wiring --
    registry.attachBootloader(&bootloader);
    dispatcher.setHandler(1, [this] { update.updateFirmware(); });
    // -- transfer wiring --
    dispatcher.setHandler(2, [this] { transfers.savePresets(); });
    dispatcher.setHandler(3, [this] { transfers.saveBankB(); });
    dispatcher.setHandler(4, [this] { transfers.loadPresets(); });
    dispatcher.setHandler(5, [this] { transfers.loadBankB(); });
    dispatcher.setHandler(6, [this] { transfers.loadWavetables(); });
}

}  // namespace zt
