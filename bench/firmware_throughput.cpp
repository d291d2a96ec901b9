// Reports per second through installFirmware, end to end (read, erase, stream, reset or boot),
// against zero-latency emulated loaders, compared with the 1000 reports per second of a full-speed
// HID endpoint, the real device's limit:
// - KBOOT: a 1 MiB image (its last byte cannot come from a HEX file), 32 bytes per data report;
// - HalfKay: a 256 KiB image in 256 blocks of 1024 bytes.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hid/bootloader_channel.h"
#include "hidsim/halfkay_loader.h"
#include "hidsim/kboot_bootloader.h"
#include "support/hex_text.h"

namespace {

using namespace zt;

// Installs `file` into catalogue row `row` `runs` times; `attach` puts a fresh loader in place and
// gives a way to count the reports it took. Returns reports per second, or -1 on a failed install.
double reportsPerSecond(unsigned row, const std::string& file, int runs,
                        const std::function<std::function<long long()>()>& attach) {
    DeviceRegistry registry;
    Catalogue catalogue{registry};
    ActiveDevice device;
    auto image = std::make_unique<FirmwareImage>();
    BootloaderChannel channel{device, *image, registry};
    registry.attachBootloader(&channel);
    registry.select(row);

    long long reports = 0;
    std::chrono::duration<double> elapsed{0};
    for (int run = 0; run < runs; ++run) {
        const std::function<long long()> taken = attach();
        const auto start = std::chrono::steady_clock::now();
        const int code = registry.installFirmware(file);
        elapsed += std::chrono::steady_clock::now() - start;
        const long long count = taken();
        hidsim::detachAll();
        if (code != 0 || count < 0) {
            std::printf("install into row %u failed: %d\n", row, code);
            return -1;
        }
        reports += count;
    }
    return static_cast<double>(reports) / elapsed.count();
}

void print(const char* path, const char* name, double perSecond, const char* goal) {
    std::printf("%s: %.0f\n", name, perSecond);
    std::printf("%s_vs_full_speed_endpoint: %.1f\n", path, perSecond / 1000.0);
    std::printf("goal: %s\n", goal);
}

}  // namespace

int main() {
    test::ScratchFolder folder;

    const std::string ostrel = folder.write(
        "ostrel.hex", test::hexFile({{0, test::patternBytes(FirmwareImage::kSize - 1)}}));
    const double kboot = reportsPerSecond(6, ostrel, 8, [] {  // a KBOOT-only kind, 1 MiB flash
        auto loader = std::make_shared<hidsim::KbootBootloader>(FirmwareImage::kSize);
        loader->reports.reserve(40000);
        hidsim::attach(0x16D0, 0x0E9F, loader);
        return std::function<long long()>([loader]() -> long long {  // id 2: a data report
            return std::ranges::count_if(loader->reports, [](auto& r) { return r[0] == 2; });
        });
    });

    const std::string kado =
        folder.write("kado.hex", test::hexFile({{0, test::patternBytes(262144)}}));
    const double halfkay = reportsPerSecond(0, kado, 40, [] {  // a first-stage kind
        auto loader = std::make_shared<hidsim::HalfKayLoader>(262144, 1024);
        loader->reports.reserve(300);
        hidsim::attach(0x16C0, 0x0478, loader);
        return std::function<long long()>([loader]() -> long long {
            // Every report but the last, the boot report, was a block (none is refused here).
            return loader->booted ? static_cast<long long>(loader->reports.size()) - 1 : -1;
        });
    });

    if (kboot < 0 || halfkay < 0) return 1;
    print("kboot", "kboot_reports_per_s", kboot, "kboot_reports_per_s >= 100000");
    print("halfkay", "halfkay_blocks_per_s", halfkay, "halfkay_blocks_per_s >= 30000");
    return 0;
}
