// Data reports per second through installFirmware against the zero-latency emulated KBOOT
// bootloader: a 1 MiB image (its last byte cannot come from a HEX file), read, erased, streamed
// 32 bytes per report and reset, end to end. Compared with the 1000 reports per second of a
// full-speed HID endpoint, the real device's limit.
#include <chrono>
#include <cstdio>
#include <memory>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hid/bootloader_channel.h"
#include "hidsim/kboot_bootloader.h"
#include "support/hex_text.h"

int main() {
    using namespace zt;
    test::ScratchFolder folder;
    const std::string file = folder.write(
        "ostrel.hex", test::hexFile({{0, test::patternBytes(FirmwareImage::kSize - 1)}}));

    DeviceRegistry registry;
    Catalogue catalogue{registry};
    ActiveDevice device;
    auto image = std::make_unique<FirmwareImage>();
    BootloaderChannel channel{device, *image, registry};
    registry.attachBootloader(&channel);
    registry.select(6);  // a KBOOT-only kind with a 1 MiB flash

    constexpr int kRuns = 8;
    long long reports = 0;
    std::chrono::duration<double> elapsed{0};
    for (int run = 0; run < kRuns; ++run) {
        auto kboot = std::make_shared<hidsim::KbootBootloader>(FirmwareImage::kSize);
        kboot->reports.reserve(40000);
        hidsim::attach(0x16D0, 0x0E9F, kboot);
        const auto start = std::chrono::steady_clock::now();
        const int code = registry.installFirmware(file);
        elapsed += std::chrono::steady_clock::now() - start;
        if (code != 0) {
            std::printf("kboot install failed: %d\n", code);
            return 1;
        }
        reports += kboot->dataReports;
        hidsim::detachAll();
    }
    const double perSecond = static_cast<double>(reports) / elapsed.count();
    std::printf("kboot_reports_per_s: %.0f\n", perSecond);
    std::printf("kboot_vs_full_speed_endpoint: %.1f\n", perSecond / 1000.0);
    std::printf("goal: kboot_reports_per_s >= 100000\n");
    return 0;
}
