// A fresh bootloader channel per test over the catalogue's registry: the emulated device world
// empty, progress recorded, sleeping counted instead of slept.
#pragma once

#include <gtest/gtest.h>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "devices/progress_sink.h"
#include "hid/bootloader_channel.h"
#include "platform/sleep.h"
#include "hidsim/halfkay_loader.h"
#include "hidsim/kboot_bootloader.h"
#include "support/hex_text.h"

namespace zt::test {

using Bytes = std::vector<unsigned char>;
using Kboot = hidsim::KbootBootloader;
using Fault = Kboot::Fault;

inline long long sleptMs = 0;
inline constexpr unsigned kKadoRow = 0, kMondrelRow = 5;  // first stage and KBOOT; KBOOT only
inline constexpr std::uint16_t kKadoVid = 0x1FC9, kKadoPid = 0x815B;
inline constexpr std::uint16_t kMondrelVid = 0x16D0, kMondrelPid = 0x0EA1;
inline constexpr std::uint16_t kLoaderVid = 0x16C0, kLoaderPid = 0x0478;

// `head`, zero-padded to `size` bytes.
inline Bytes bytes(std::initializer_list<unsigned> head, std::size_t size = 36) {
    Bytes r(size, 0);
    std::copy(head.begin(), head.end(), r.begin());
    return r;
}

class ChannelTest : public ::testing::Test, ProgressSink {
protected:
    void SetUp() override {
        hidsim::detachAll();
        sleptMs = 0;
        setSleepHook([](int ms) { sleptMs += ms; });
        registry.setProgressSink(this);
        registry.attachBootloader(&channel);
    }
    void TearDown() override {
        EXPECT_EQ(hidsim::openHandles(), device.handle() ? 1 : 0) << "a device was left open";
        device.close();
        hidsim::detachAll();
        setSleepHook(nullptr);
    }
    void advanceProgress(int percentage) override { progress.push_back(percentage); }

    template <class D = Kboot>
    std::shared_ptr<D> attach(std::uint16_t vid = kMondrelVid, std::uint16_t pid = kMondrelPid,
                              std::shared_ptr<D> dev = std::make_shared<D>()) {
        hidsim::attach(vid, pid, dev);
        return dev;
    }
    // A KBOOT device alone in the world and open, for the step operations.
    std::shared_ptr<Kboot> open() {
        device.close();
        hidsim::detachAll();
        auto kboot = attach();
        EXPECT_TRUE(device.open(kMondrelVid, kMondrelPid));
        return kboot;
    }
    auto halfKay() {
        return attach(kLoaderVid, kLoaderPid,
                      std::make_shared<hidsim::HalfKayLoader>(262144, 1024));
    }
    std::string firmwareFile(const std::vector<HexChunk>& chunks) {
        return folder.write("fw.hex", hexFile(chunks));
    }

    ScratchFolder folder;
    std::vector<int> progress;
    DeviceRegistry registry;
    Catalogue catalogue{registry};
    ActiveDevice device;
    std::unique_ptr<FirmwareImage> image = std::make_unique<FirmwareImage>();
    BootloaderChannel channel{device, *image, registry};
};

}  // namespace zt::test
