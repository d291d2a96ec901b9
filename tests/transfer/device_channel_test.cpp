#include <gtest/gtest.h>

#include <algorithm>

#include <memory>

#include "hid/active_device.h"
#include "hidsim/hidsim.h"
#include "transfer/device_channel.h"
#include "transfer/scripted_device.h"
#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

constexpr std::uint16_t kVid = 0x16D0, kPid = 0x0DAF;

hidsim::Report report(const Packet& packet) {
    hidsim::Report r(1 + packet.size(), 0);  // report id 0, then the packet
    std::copy(packet.begin(), packet.end(), r.begin() + 1);
    return r;
}

class ChannelTest : public ::testing::Test {
protected:
    void SetUp() override {
        hidsim::detachAll();
        hidsim::attach(kVid, kPid, device);
        ASSERT_TRUE(channel.open(kVid, kPid));
    }
    void TearDown() override {
        channel.close();
        hidsim::detachAll();
    }
    std::shared_ptr<ScriptedDevice> device = std::make_shared<ScriptedDevice>();
    ActiveDevice active;
    DeviceChannel channel{active};
};

// The mode switch must reach the device as report id 0 and the exact 64-byte packet.
TEST_F(ChannelTest, PcConnectionSwitchesOnTheWire) {
    device->answers = {ScriptedDevice::acknowledgement(1), ScriptedDevice::acknowledgement(1)};
    EXPECT_TRUE(channel.setPcConnection(true));
    EXPECT_TRUE(channel.setPcConnection(false));
    hidsim::Report on(65, 0), off(65, 0);
    on[1] = off[1] = 0x21;
    on[3] = 0x01;
    EXPECT_EQ(device->written, (std::vector<hidsim::Report>{on, off}));
}

// Too long a packet must be refused before anything reaches the device; a short one goes out
// behind the report id with its own length.
TEST_F(ChannelTest, WritePacketLengths) {
    const Bytes tooLong(65, 0xAB);
    EXPECT_FALSE(channel.writePacket(tooLong.data(), tooLong.size()));
    EXPECT_TRUE(device->written.empty());

    const Packet full = record(0x0001, 2, 3, 4, 0x5A);
    EXPECT_TRUE(channel.writePacket(full.data(), full.size()));
    const unsigned char three[] = {7, 8, 9};
    EXPECT_TRUE(channel.writePacket(three, 3));
    EXPECT_EQ(device->written, (std::vector<hidsim::Report>{report(full), {0, 7, 8, 9}}));

    // A failed write is not delivered and waits for no acknowledgement.
    device->failWrites = true;
    device->answers = {ScriptedDevice::acknowledgement(1)};
    EXPECT_FALSE(channel.writePacket(full.data(), full.size()));
    EXPECT_FALSE(channel.setPcConnection(true));
    EXPECT_EQ(device->reads, 0);
}

// Which packets wait for an answer, and what answer counts as acceptance: only a non-zero status
// (0x8000 included) accepts; status 0, silence and a read error refuse. Types that are not
// acknowledged must not consume a read, or the next answer would be taken for theirs.
TEST_F(ChannelTest, SendPacketAcknowledgements) {
    struct Case {
        std::uint16_t type;
        ScriptedDevice::Answer answer;
        bool delivered;
        int reads;
    };
    const Case cases[] = {
        {0x0002, ScriptedDevice::acknowledgement(0x8000), true, 1},
        {0x0006, ScriptedDevice::acknowledgement(0x0001), true, 1},
        {0x0021, ScriptedDevice::acknowledgement(0xFFFF), true, 1},
        {0x0002, ScriptedDevice::acknowledgement(0), false, 1},
        {0x0006, ScriptedDevice::timeOut(), false, 1},
        {0x0021, ScriptedDevice::readError(), false, 1},
        {0x0002, {2, {0x02, 0x00}}, false, 1},  // a report too short to hold a status
        {0x0001, ScriptedDevice::acknowledgement(0), true, 0},
        {0x0003, ScriptedDevice::acknowledgement(0), true, 0},
        {0x0004, ScriptedDevice::acknowledgement(0), true, 0},
        {0x0005, ScriptedDevice::acknowledgement(0), true, 0},
        {0x0022, ScriptedDevice::acknowledgement(0), true, 0},
        {0x0102, ScriptedDevice::acknowledgement(0), true, 0},  // the high byte counts too
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type);
        device->answers = {c.answer};
        device->reads = 0;
        TransferPacket packet;
        packet.setField(0, c.type);
        EXPECT_EQ(channel.sendPacket(packet), c.delivered);
        EXPECT_EQ(device->reads, c.reads);
        EXPECT_EQ(DeviceChannel::expectsAcknowledgement(c.type), c.reads == 1);
    }
}

}  // namespace
}  // namespace zt::test
