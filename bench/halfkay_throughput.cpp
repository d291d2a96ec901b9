// Blocks per second through installFirmware against the zero-latency emulated HalfKay loader:
// a 256 KiB image, read and sent in 256 blocks of 1024 bytes, end to end. Compared with the
// 1000 reports per second of a full-speed HID endpoint.
#include <chrono>
#include <cstdio>
#include <memory>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hid/bootloader_channel.h"
#include "hidsim/halfkay_loader.h"
#include "support/hex_text.h"

int main() {
    using namespace zt;
    test::ScratchFolder folder;
    const std::string file =
        folder.write("kado.hex", test::hexFile({{0, test::patternBytes(262144)}}));

    DeviceRegistry registry;
    Catalogue catalogue{registry};
    ActiveDevice device;
    auto image = std::make_unique<FirmwareImage>();
    BootloaderChannel channel{device, *image, registry};
    registry.attachBootloader(&channel);
    registry.select(0);  // a kind with a first-stage loader: 256 blocks of 1024 bytes

    constexpr int kRuns = 40;
    long long blocks = 0;
    std::chrono::duration<double> elapsed{0};
    for (int run = 0; run < kRuns; ++run) {
        auto loader = std::make_shared<hidsim::HalfKayLoader>(262144, 1024);
        loader->reports.reserve(300);
        hidsim::attach(0x16C0, 0x0478, loader);
        const auto start = std::chrono::steady_clock::now();
        const int code = registry.installFirmware(file);
        elapsed += std::chrono::steady_clock::now() - start;
        if (code != 0 || !loader->booted) {
            std::printf("halfkay install failed: %d\n", code);
            return 1;
        }
        blocks += static_cast<long long>(loader->blockAddresses.size());
        hidsim::detachAll();
    }
    const double perSecond = static_cast<double>(blocks) / elapsed.count();
    std::printf("halfkay_blocks_per_s: %.0f\n", perSecond);
    std::printf("halfkay_vs_full_speed_endpoint: %.1f\n", perSecond / 1000.0);
    std::printf("goal: halfkay_blocks_per_s >= 30000\n");
    return 0;
}
