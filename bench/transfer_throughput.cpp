// Records per second through the preset transfers against the zero-latency emulated device, end
// to end with the file on disk: loading a 1220736-byte bank file (19074 records, every
// acknowledged one waiting for its answer) and saving a 256-slot bank (11010 records, the file
// written beside the target and put in its place). Compared with the 1000 reports per second of
// a full-speed HID endpoint, the real device's limit.
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "hid/active_device.h"
#include "hidsim/preset_device.h"
#include "transfer/device_channel.h"
#include "transfer/preset_transfer.h"

namespace {

struct Folder {
    Folder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zt-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~Folder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

int main() {
    using namespace zt;
    using Clock = std::chrono::steady_clock;
    Folder folder;
    if (folder.path.empty()) return 1;

    DeviceRegistry registry;
    Catalogue catalogue{registry};
    ActiveDevice active;
    DeviceChannel channel{active};
    std::string presetsPath;
    PresetTransfer transfer{channel, registry, presetsPath};

    // Saving a 256-slot bank of the one-bank kind.
    constexpr int kRuns = 20;
    registry.select(0);
    presetsPath = folder.path + "/bank.zentari";
    long long downloaded = 0;
    std::chrono::duration<double> downloadTime{0};
    for (int run = 0; run < kRuns; ++run) {
        auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::OneBank);
        hidsim::attach(0x1FC9, 0x815B, device);
        const auto start = Clock::now();
        const int code = transfer.downloadPresets(0, 0, 256);
        downloadTime += Clock::now() - start;
        if (code != 0 || std::filesystem::file_size(presetsPath) != 704640) {
            std::printf("download failed: %d\n", code);
            return 1;
        }
        downloaded += 704640 / 64;
        hidsim::detachAll();
    }

    // Loading a bank file of the two-bank kind into bank B: a save of bank A, replayed.
    registry.select(3);
    presetsPath = folder.path + "/bankA.zentari";
    {
        auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::TwoBanks);
        hidsim::attach(0x16D0, 0x0DAF, device);
        if (transfer.downloadPresets(0, 0, 64) != 0) return 1;
        hidsim::detachAll();
    }
    long long uploaded = 0;
    std::chrono::duration<double> uploadTime{0};
    for (int run = 0; run < kRuns; ++run) {
        auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::TwoBanks);
        device->written.reserve(19100);
        device->received.reserve(19100);
        hidsim::attach(0x16D0, 0x0DAF, device);
        const auto start = Clock::now();
        const int code = transfer.uploadFile(1);
        uploadTime += Clock::now() - start;
        if (code != 0 || device->received.size() != 1220736 / 64) {
            std::printf("upload failed: %d\n", code);
            return 1;
        }
        uploaded += static_cast<long long>(device->received.size());
        hidsim::detachAll();
    }

    const double uploadRate = static_cast<double>(uploaded) / uploadTime.count();
    const double downloadRate = static_cast<double>(downloaded) / downloadTime.count();
    std::printf("upload_packets_per_s: %.0f\n", uploadRate);
    std::printf("upload_vs_full_speed_endpoint: %.1f\n", uploadRate / 1000.0);
    std::printf("download_packets_per_s: %.0f\n", downloadRate);
    std::printf("download_vs_full_speed_endpoint: %.1f\n", downloadRate / 1000.0);
    std::printf("goal: upload_packets_per_s >= 100000\n");
    std::printf("goal: download_packets_per_s >= 100000\n");
    return 0;
}
