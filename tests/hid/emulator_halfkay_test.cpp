// The emulated HalfKay loader, driven through hidapi with hand-written block reports. A fault in its
// address decoding would agree with the same fault in the loader path and hide it.
#include <gtest/gtest.h>
#include <hidapi.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "hidsim/halfkay_loader.h"

namespace hidsim {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr std::uint16_t kVid = 0x16C0;
constexpr std::uint16_t kPid = 0x0478;

// Report id 0, the three address bytes as given, 61 zeros, then blockSize bytes of `fill`.
Bytes block(unsigned char a0, unsigned char a1, unsigned char a2, std::size_t blockSize,
            unsigned char fill) {
    Bytes r(65 + blockSize, fill);
    std::fill(r.begin(), r.begin() + 65, 0);
    r[1] = a0;
    r[2] = a1;
    r[3] = a2;
    return r;
}

class HalfKayEmulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        detachAll();
        attach(kVid, kPid, loader);
        dev = hid_open(kVid, kPid, L"");
        ASSERT_NE(dev, nullptr);
    }
    void TearDown() override {
        hid_close(dev);
        detachAll();
    }
    int send(const Bytes& r) { return hid_write(dev, r.data(), r.size()); }

    // 256 KiB of code in 1024-byte blocks, as the two loader kinds have.
    std::shared_ptr<HalfKayLoader> loader = std::make_shared<HalfKayLoader>(262144, 1024);
    hid_device* dev = nullptr;
};

TEST_F(HalfKayEmulatorTest, BlocksLandAtTheAddressTheirThreeBytesSpell) {
    struct Case {
        unsigned char a0, a1, a2;
        std::uint32_t address;
        unsigned char fill;
    };
    const Case cases[] = {
        {0x00, 0x00, 0x00, 0x00000, 0x11},
        {0x00, 0x04, 0x00, 0x00400, 0x22},  // the example block at 1024
        {0x00, 0xFC, 0x03, 0x3FC00, 0x33},  // the last block of 256
    };
    for (const Case& c : cases) EXPECT_EQ(send(block(c.a0, c.a1, c.a2, 1024, c.fill)), 1089);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(loader->memory[c.address], c.fill);
        EXPECT_EQ(loader->memory[c.address + 1023], c.fill);
    }
    EXPECT_EQ(loader->memory[0x800], 0xFF);
    EXPECT_EQ(loader->blockAddresses, (std::vector<std::uint32_t>{0, 0x400, 0x3FC00}));
    EXPECT_FALSE(loader->booted);
}

TEST_F(HalfKayEmulatorTest, ABlockPastTheCodeIsClippedNotOverrun) {
    EXPECT_EQ(send(block(0x00, 0xFE, 0x03, 1024, 0x44)), 1089);  // 0x3FE00: half inside
    EXPECT_EQ(send(block(0x00, 0x00, 0x05, 1024, 0x55)), 1089);  // 0x50000: wholly outside
    EXPECT_EQ(loader->memory.size(), 262144u);
    EXPECT_EQ(loader->memory[0x3FFFF], 0x44);
    EXPECT_EQ(loader->memory[0x3FDFF], 0xFF);
    EXPECT_EQ(loader->blockAddresses.size(), 2u);
}

TEST_F(HalfKayEmulatorTest, BootReportBootsAndTheLoaderTakesNothingAfter) {
    EXPECT_EQ(send(block(0xFF, 0xFF, 0xFF, 1024, 0x00)), 1089);
    EXPECT_TRUE(loader->booted);
    EXPECT_TRUE(loader->blockAddresses.empty()) << "the boot report is not a block";
    EXPECT_EQ(send(block(0x00, 0x00, 0x00, 1024, 0x66)), -1);
    EXPECT_EQ(loader->memory[0], 0xFF);
}

TEST_F(HalfKayEmulatorTest, RefusesWhatIsNotABlockReport) {
    loader->refuseFirstWrites(1);
    const Bytes refused[] = {
        block(0, 0, 0, 1024, 0x77),  // refused as scripted
        block(0, 0, 0, 1023, 0x77),  // one byte short
        block(0, 0, 0, 1025, 0x77),  // one byte long
    };
    for (const Bytes& r : refused) EXPECT_EQ(send(r), -1);
    Bytes otherId = block(0, 0, 0, 1024, 0x77);
    otherId[0] = 1;
    EXPECT_EQ(send(otherId), -1);
    EXPECT_EQ(loader->refusedWrites, 4);
    EXPECT_EQ(loader->reports.size(), 4u);
    EXPECT_EQ(loader->memory[0], 0xFF);
    EXPECT_EQ(send(block(0, 0, 0, 1024, 0x77)), 1089);
    EXPECT_EQ(loader->memory[0], 0x77);
}

}  // namespace
}  // namespace hidsim
