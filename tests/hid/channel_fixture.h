// A fresh bootloader channel per test: the catalogue's registry, the shared handle, an image, a
// recorder of the progress the channel reports, the emulated device world empty and sleeping
// counted instead of slept.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "devices/progress_sink.h"
#include "hid/bootloader_channel.h"
#include "hid/sleep.h"
#include "hidsim/halfkay_loader.h"
#include "hidsim/hidsim.h"
#include "hidsim/kboot_bootloader.h"
#include "support/hex_text.h"

namespace zt::test {

struct ProgressRecorder : ProgressSink {
    std::vector<int> values;
    void advanceProgress(int percentage) override { values.push_back(percentage); }
};

inline long long& channelSleptMs() {
    static long long slept = 0;
    return slept;
}

// Row indexes and ids used throughout.
inline constexpr unsigned kKadoRow = 0;     // first stage and KBOOT
inline constexpr unsigned kMondrelRow = 5;  // KBOOT only
inline constexpr std::uint16_t kKadoVid = 0x1FC9, kKadoPid = 0x815B;
inline constexpr std::uint16_t kMondrelVid = 0x16D0, kMondrelPid = 0x0EA1;
inline constexpr std::uint16_t kLoaderVid = 0x16C0, kLoaderPid = 0x0478;

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        hidsim::detachAll();
        channelSleptMs() = 0;
        setSleepHook([](int ms) { channelSleptMs() += ms > 0 ? ms : 0; });
        registry.setProgressSink(&progress);
        registry.attachBootloader(&channel);
    }
    void TearDown() override {
        // Only a handle the test opened itself may still be open.
        EXPECT_EQ(hidsim::openHandles(), device.handle() ? 1 : 0)
            << "a conversation left the device open";
        device.close();
        hidsim::detachAll();
        setSleepHook(nullptr);
    }

    std::shared_ptr<hidsim::KbootBootloader> attachKboot(std::uint16_t vid = kMondrelVid,
                                                         std::uint16_t pid = kMondrelPid) {
        auto kboot = std::make_shared<hidsim::KbootBootloader>();
        hidsim::attach(vid, pid, kboot);
        return kboot;
    }
    std::shared_ptr<hidsim::HalfKayLoader> attachHalfKay() {
        auto loader = std::make_shared<hidsim::HalfKayLoader>(262144, 1024);
        hidsim::attach(kLoaderVid, kLoaderPid, loader);
        return loader;
    }
    // Opens the KBOOT device for the step operations, as flashFirmware would.
    std::shared_ptr<hidsim::KbootBootloader> openKboot() {
        auto kboot = attachKboot();
        EXPECT_TRUE(device.open(kMondrelVid, kMondrelPid));
        return kboot;
    }
    std::string firmwareFile(const std::vector<HexChunk>& chunks,
                             const std::string& name = "fw.hex") {
        return folder.write(name, hexFile(chunks));
    }

    ScratchFolder folder;
    ProgressRecorder progress;
    DeviceRegistry registry;
    Catalogue catalogue{registry};
    ActiveDevice device;
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    BootloaderChannel channel{device, *image, registry};
};

// The bytes of a report as a vector, for whole-report comparisons.
inline std::vector<unsigned char> bytes(std::initializer_list<unsigned> head, std::size_t size) {
    std::vector<unsigned char> r(size, 0);
    std::size_t i = 0;
    for (unsigned b : head) r[i++] = static_cast<unsigned char>(b);
    return r;
}

}  // namespace zt::test
