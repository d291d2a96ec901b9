// Arbitrary presets and wavetables files uploaded into the emulated device. The first byte picks
// the size (one-bank presets, two-bank presets, wavetables) and the bank; the rest fills the file.
// Every record must go out once, in order, changed only in a SectionRecord's bank.
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hid/active_device.h"
#include "hidsim/preset_device.h"
#include "transfer/device_channel.h"
#include "transfer/preset_transfer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static zt::DeviceRegistry registry;
    static zt::Catalogue catalogue{registry};
    static zt::ActiveDevice active;
    static zt::DeviceChannel channel{active};
    static const std::string file = std::filesystem::temp_directory_path() /
                                    ("zt-upload-fuzz-" + std::to_string(getpid()));
    static zt::PresetTransfer transfer{channel, registry, file};
    if (size < 2) return 0;
    const bool oneBank = data[0] % 3 == 0;
    const int bank = data[0] / 3 % 3 - 1;
    std::string bytes(oneBank ? 704640 : (data[0] % 3 == 1 ? 1220736 : 1024128), '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = char(data[1 + i % (size - 1)]);
    std::ofstream(file, std::ios::binary) << bytes;
    auto device = std::make_shared<hidsim::PresetDevice>(
        oneBank ? hidsim::PresetDevice::Shape::OneBank : hidsim::PresetDevice::Shape::TwoBanks);
    hidsim::attach(oneBank ? 0x1FC9 : 0x16D0, oneBank ? 0x815B : 0x0DAF, device);
    registry.select(oneBank ? 0 : 3);
    const int code = transfer.uploadFile(bank);
    hidsim::detachAll();
    std::filesystem::remove(file);
    if ((code != 0 && code != 5) || device->written.size() != bytes.size() / 64) std::abort();
    for (std::size_t r = 0; r < device->written.size(); ++r) {
        hidsim::Report expected{0};  // report id 0, then the record
        expected.insert(expected.end(), bytes.begin() + r * 64, bytes.begin() + r * 64 + 64);
        const bool section = expected[1] == 4 && expected[2] == 0 && expected[6] == 0;
        if (section && bank >= 0 && expected[5] < 4) expected[5] = (expected[5] & 2) | bank;
        if (device->written[r] != expected) std::abort();
    }
    return 0;
}
