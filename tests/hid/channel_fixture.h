// A fresh bootloader channel per test over the catalogue's registry: the emulated world empty,
// progress recorded, sleeping counted instead of slept. Nothing here closes a handle: the
// open-handle check must see every one that the code under test leaves open.
#pragma once

#include <gtest/gtest.h>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "devices/progress_sink.h"
#include "hid/bootloader_channel.h"
#include "hidsim/halfkay_loader.h"
#include "hidsim/kboot_bootloader.h"
#include "platform/sleep.h"
#include "support/hex_text.h"

namespace zt::test {

using Bytes = std::vector<unsigned char>;
using Fault = hidsim::KbootBootloader::Fault;
using hidsim::Call;
inline long long sleptMs = 0;
inline constexpr unsigned kKado = 0;     // first stage at 16C0:0478, then KBOOT at 1FC9:815B
inline constexpr unsigned kMondrel = 5;  // KBOOT only, at 16D0:0EA1

inline Bytes bytes(std::initializer_list<unsigned> head, std::size_t size = 36) {
    Bytes r(size, 0);  // `head`, zero-padded
    std::copy(head.begin(), head.end(), r.begin());
    return r;
}

class ChannelTest : public ::testing::Test, ProgressSink {
protected:
    void SetUp() override {
        hidsim::detachAll();
        setSleepHook([](int ms) { sleptMs += ms; });
        registry.setProgressSink(this);
        registry.attachBootloader(&channel);
    }
    void TearDown() override { setSleepHook(nullptr); }
    void advanceProgress(int percentage) override { progress.push_back(percentage); }

    // A KBOOT bootloader at the ids of `kind`, alone in the world unless `keep`.
    std::shared_ptr<hidsim::KbootBootloader> kboot(unsigned kind = kMondrel, bool keep = false) {
        if (!keep) hidsim::detachAll();
        auto dev = std::make_shared<hidsim::KbootBootloader>(0x40000);
        hidsim::attach(kind == kKado ? 0x1FC9 : 0x16D0, kind == kKado ? 0x815B : 0x0EA1, dev);
        return dev;
    }
    std::shared_ptr<hidsim::HalfKayLoader> halfKay(std::uint32_t blockSize = 1024) {
        auto dev = std::make_shared<hidsim::HalfKayLoader>(0x40000, blockSize);
        hidsim::attach(0x16C0, 0x0478, dev);
        return dev;
    }
    std::string firmware(const std::vector<HexChunk>& chunks, const char* name = "fw.hex") {
        return folder.write(name, hexFile(chunks));
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
