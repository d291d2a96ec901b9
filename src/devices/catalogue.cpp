#include "devices/catalogue.h"

namespace zt {

// Row  name        bitmap  vendor  product flags                                     code      aux   block  key
Catalogue::Catalogue(DeviceRegistry& r)
    : kado   (r, "Kado",    151, 0x1FC9, 0x815B, CAP_FIRST_STAGE | CAP_BOOTLOADER | CAP_PRESETS, 0x40000, 2048, 1024, "kado"),
      vossa1 (r, "Vossa 1", 152, 0x1FC9, 0x815C, 0,                                             0,       0,    0,    "vossa"),
      pulka  (r, "Pulka",   153, 0x1FC9, 0x815A, 0,                                             0,       0,    0,    "pulka"),
      siravel(r, "Siravel", 154, 0x16D0, 0x0DAF, CAP_FIRST_STAGE | CAP_BOOTLOADER | CAP_BANKS,   0x40000, 2048, 1024, "siravel"),
      vossa2 (r, "Vossa 2", 155, 0x16D0, 0x0E9E, CAP_BOOTLOADER,                                0x1F000, 1024, 512,  "vossa"),
      mondrel(r, "Mondrel", 156, 0x16D0, 0x0EA1, CAP_BOOTLOADER,                                0x40000, 2048, 1024, "mondrel"),
      ostrel (r, "Ostrel",  157, 0x16D0, 0x0E9F, CAP_BOOTLOADER,                                0x100000, 4096, 1024, "ostrel"),
      jubble (r, "Jubble",  158, 0x16D0, 0x0EA0, CAP_BOOTLOADER,                                0x100000, 4096, 1024, "jubble") {}

}  // namespace zt
