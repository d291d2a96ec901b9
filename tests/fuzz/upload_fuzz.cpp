// Arbitrary file contents of the accepted sizes, uploaded into the emulated device. The first byte
// picks the size (one-bank presets, two-bank presets, wavetables) and the target bank; the rest
// is repeated to fill the file. Whatever the bytes, the upload must end with 0 or 5, send every
// record exactly once and in order, change nothing but a SectionRecord's bank, and leave the file
// as it was.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hid/active_device.h"
#include "hidsim/preset_device.h"
#include "transfer/device_channel.h"
#include "transfer/preset_transfer.h"

namespace {

struct World {
    World() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zt-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) abort();
        folder() = pattern;
        presetsPath = pattern + "/fuzz.zentari";
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(folder(), ignored);
        });
    }
    static std::string& folder() {
        static std::string* path = new std::string;
        return *path;
    }
    zt::DeviceRegistry registry;
    zt::Catalogue catalogue{registry};
    zt::ActiveDevice active;
    zt::DeviceChannel channel{active};
    std::string presetsPath;
    zt::PresetTransfer transfer{channel, registry, presetsPath};
};

struct Shape {
    std::size_t size;
    unsigned row;
    std::uint16_t vendorId, productId;
    hidsim::PresetDevice::Shape device;
};
constexpr Shape kShapes[] = {
    {704640, 0, 0x1FC9, 0x815B, hidsim::PresetDevice::Shape::OneBank},
    {1220736, 3, 0x16D0, 0x0DAF, hidsim::PresetDevice::Shape::TwoBanks},
    {1024128, 3, 0x16D0, 0x0DAF, hidsim::PresetDevice::Shape::TwoBanks},
};

std::uint16_t field(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World* world = new World;  // one per process: the file is rewritten for each input
    if (size < 2) return 0;
    const Shape& shape = kShapes[data[0] % 3];
    const int target = static_cast<int>((data[0] / 3) % 3) - 1;  // -1, 0, 1
    const std::uint8_t* body = data + 1;
    const std::size_t bodySize = size - 1;

    std::vector<unsigned char> file(shape.size);
    for (std::size_t filled = 0; filled < file.size();) {
        const std::size_t chunk = std::min(bodySize, file.size() - filled);
        std::memcpy(file.data() + filled, body, chunk);
        filled += chunk;
    }
    {
        std::FILE* out = std::fopen(world->presetsPath.c_str(), "wb");
        if (out == nullptr) abort();
        std::fwrite(file.data(), 1, file.size(), out);
        std::fclose(out);
    }

    auto device = std::make_shared<hidsim::PresetDevice>(shape.device);
    hidsim::attach(shape.vendorId, shape.productId, device);
    world->registry.select(shape.row);
    const int code = world->transfer.uploadFile(target);
    hidsim::detachAll();

    if (code != zt::kUploadDone && code != zt::kUploadRefused) abort();
    if (device->written.size() != file.size() / 64) abort();
    for (std::size_t r = 0; r < device->written.size(); ++r) {
        const hidsim::Report& report = device->written[r];
        const unsigned char* original = file.data() + r * 64;
        if (report.size() != 65 || report[0] != 0) abort();
        if (std::memcmp(report.data() + 1, original, 64) == 0) continue;
        for (std::size_t i = 0; i < 64; ++i) {
            if (report[1 + i] == original[i]) continue;
            // Only bytes 4-5 of a SectionRecord may differ, and only as the bank of a selector 0..3.
            const std::uint16_t selector = field(original + 4);
            if ((i != 4 && i != 5) || target < 0 || field(original) != 0x0004 || selector > 3) abort();
            if (field(report.data() + 5) != ((selector & 2) | target)) abort();
        }
    }
    // The file is only ever read.
    std::FILE* in = std::fopen(world->presetsPath.c_str(), "rb");
    std::vector<unsigned char> after(file.size() + 1);
    const std::size_t read = std::fread(after.data(), 1, after.size(), in);
    std::fclose(in);
    if (read != file.size() || std::memcmp(file.data(), after.data(), read) != 0) abort();
    return 0;
}
