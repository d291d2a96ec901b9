#include "devices/catalogue.h"

namespace zt {

namespace {
constexpr std::uint8_t FS = CAP_FIRST_STAGE;
constexpr std::uint8_t BL = CAP_BOOTLOADER;
constexpr std::uint8_t PR = CAP_PRESETS;
constexpr std::uint8_t BK = CAP_BANKS;
}  // namespace

// Row      name       bitmap vendor  product  flags         code      aux   block key
Catalogue::Catalogue(DeviceRegistry& r)
    : kado   (r, "Kado",    151, 0x1FC9, 0x815B, FS | BL | PR, 0x40000,  2048, 1024, "kado"),
      vossa1 (r, "Vossa 1", 152, 0x1FC9, 0x815C, 0,            0,        0,    0,    "vossa"),
      pulka  (r, "Pulka",   153, 0x1FC9, 0x815A, 0,            0,        0,    0,    "pulka"),
      siravel(r, "Siravel", 154, 0x16D0, 0x0DAF, FS | BL | BK, 0x40000,  2048, 1024, "siravel"),
      vossa2 (r, "Vossa 2", 155, 0x16D0, 0x0E9E, BL,           0x1F000,  1024, 512,  "vossa"),
      mondrel(r, "Mondrel", 156, 0x16D0, 0x0EA1, BL,           0x40000,  2048, 1024, "mondrel"),
      ostrel (r, "Ostrel",  157, 0x16D0, 0x0E9F, BL,           0x100000, 4096, 1024, "ostrel"),
      jubble (r, "Jubble",  158, 0x16D0, 0x0EA0, BL,           0x100000, 4096, 1024, "jubble") {}

}  // namespace zt
