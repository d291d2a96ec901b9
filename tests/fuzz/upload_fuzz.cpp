// Arbitrary presets and wavetables files uploaded into the emulated device. The first byte picks
// the size and kind (one-bank presets, two-bank presets, wavetables) and the bank; the rest fills
// the file. Every record must go out once, in order, changed only in a SectionRecord's bank.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "devices/catalogue.h"
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
    const std::size_t sizes[] = {704640, 1220736, 1024128};
    const int target = data[0] / 3 % 3 - 1;
    std::vector<unsigned char> bytes(sizes[data[0] % 3]);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = data[1 + i % (size - 1)];
    std::FILE* out = std::fopen(file.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), out);
    std::fclose(out);
    const bool oneBank = data[0] % 3 == 0;
    auto device = std::make_shared<hidsim::PresetDevice>(
        oneBank ? hidsim::PresetDevice::Shape::OneBank : hidsim::PresetDevice::Shape::TwoBanks);
    hidsim::attach(oneBank ? 0x1FC9 : 0x16D0, oneBank ? 0x815B : 0x0DAF, device);
    registry.select(oneBank ? 0 : 3);
    const int code = transfer.uploadFile(target);
    hidsim::detachAll();
    std::remove(file.c_str());
    if ((code != 0 && code != 5) || device->written.size() != bytes.size() / 64) std::abort();
    for (std::size_t r = 0; r < device->written.size(); ++r) {
        unsigned char* expected = bytes.data() + r * 64;
        const bool section = expected[0] == 4 && expected[1] == 0 && expected[5] == 0;
        if (section && target >= 0 && expected[4] < 4) expected[4] = (expected[4] & 2) | target;
        const hidsim::Report& report = device->written[r];
        if (report.size() != 65 || report[0] != 0 || std::memcmp(&report[1], expected, 64) != 0) {
            std::abort();
        }
    }
    return 0;
}
