#include <gtest/gtest.h>

#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

using UploadTest = TransferTest;

// Only SectionRecords with selectors 0..3 are redirected: bit 0 becomes the bank, bit 1 stays.
TEST_F(UploadTest, BankRedirection) {
    const std::uint16_t selectors[] = {0, 1, 2, 3, 7};
    const std::pair<int, std::array<std::uint16_t, 5>> cases[] = {
        {-1, {0, 1, 2, 3, 7}}, {0, {0, 0, 2, 2, 7}}, {1, {1, 1, 3, 3, 7}}};
    std::vector<Packet> original;
    for (std::uint16_t s : selectors) original.push_back(record(0x0004, 0x1234, s, 0x0042, 0xC3));
    for (std::uint16_t s : selectors) original.push_back(record(0x0001, 0x1234, s, 0x0042, 0xC3));
    original.push_back(record(0x0104, 0, 1));
    writeFile(file, concat(original));
    for (const auto& [bank, selectorsSent] : cases) {
        SCOPED_TRACE(bank);
        auto device = attach(PresetDevice::Shape::TwoBanks);
        EXPECT_EQ(upload(bank), kUploadDone);
        std::vector<Packet> expected = original;
        for (std::size_t i = 0; i < 5; ++i) expected[i][4] = static_cast<unsigned char>(selectorsSent[i]);
        EXPECT_EQ(device->received, expected);
    }
    EXPECT_TRUE(readFile(file) == concat(original));
}

// A wavetables file goes out in order whatever is answered. Any non-zero status accepts; status 0 and
// silence refuse. Only 0x0002, 0x0006 and 0x0021 wait, or one packet's answer is taken for another's.
TEST_F(UploadTest, WavetablesAndAcknowledgements) {
    std::vector<Packet> packets{record(0x0001), record(0x0002), record(0x0004), record(0x0006, 5),
                                kPcOn,          record(0x0102), record(0x2100), record(0x0002)};
    for (std::uint16_t i = 0; packets.size() + 1 < 16002; ++i) packets.push_back(record(1, i, 0, 0, i % 256));
    packets.push_back(kPcOff);
    writeFile(file, concat(packets));
    const std::tuple<const char*, Fault, int> cases[] = {
        {"status 1", [](PresetDevice&) {}, kUploadDone},
        {"status 0x8000", [](PresetDevice& d) { d.acceptStatus = 0x8000; }, kUploadDone},
        {"status 0 for all", [](PresetDevice& d) { d.refuseEveryRecord(); }, kUploadRefused},
        {"time-out on 0x0021", [](PresetDevice& d) { d.dropAcknowledgement(3); }, kUploadRefused},
        {"time-out on the last", [](PresetDevice& d) { d.dropAcknowledgement(5); }, kUploadRefused},
    };
    for (const auto& [name, fault, code] : cases) {
        SCOPED_TRACE(name);
        auto device = attach(PresetDevice::Shape::TwoBanks);
        ASSERT_TRUE(tool->registry.wavetablesFileMatches(file));
        fault(*device);
        EXPECT_EQ(upload(-1), code);
        EXPECT_EQ(device->received, packets);
    }
}

// A longer packet would overrun the 65-byte report: refused before anything is written.
TEST_F(UploadTest, ChannelNeverWritesAnOverlongPacket) {
    auto device = attach(PresetDevice::Shape::TwoBanks);
    const Bytes overlong(65, 0x21);
    EXPECT_TRUE(tool->channel.open(0x16D0, 0x0DAF) && !tool->channel.writePacket(overlong.data(), 65));
    EXPECT_TRUE(device->written.empty());
    tool->channel.close();
}

// Codes 1 to 3. What reaches the device is the file's own records from its start: nothing of a
// file that is not whole records, nothing past a size change, nothing after a failed write.
TEST_F(UploadTest, FailuresByCode) {
    const std::size_t kRecords = 5000;  // more than any read-ahead: a size change meets the upload
    std::vector<Packet> original;
    for (std::size_t i = 0; i < kRecords; ++i) original.push_back(record(0x0001, std::uint16_t(i)));
    const auto resize = [this](std::uintmax_t size, bool whileSent) {
        return [=, this](PresetDevice& d) {
            const auto change = [=, this] { std::filesystem::resize_file(file, size); };
            whileSent ? void(d.onWrite = change) : change();
        };
    };
    const auto refuseWrite = [](int n) { return [n](PresetDevice& d) { d.refuseWrite(n); }; };
    std::filesystem::create_directory(folder.file("d"));
    const std::tuple<const char*, Fault, int, long> cases[] = {  // name, fault, code, writes (-1: any)
        {"missing", aim(folder.file("none")), kUploadFileFailed, 0},
        {"a folder", aim(folder.file("d")), kUploadFileFailed, 0},
        {"empty", resize(0, false), kUploadFileFailed, 0},
        {"not whole records", resize(64 * 3 + 1, false), kUploadFileFailed, 0},
        {"shrinks while sent", resize(64 * 150 + 10, true), kUploadFileFailed, -1},
        {"grows while sent", resize(64 * 8000, true), kUploadDone, 5000},
        {"no device", [](PresetDevice&) { hidsim::detachAll(); }, kUploadNoDevice, 0},
        {"first write fails", refuseWrite(1), kUploadWriteFailed, 1},
        {"write 100 fails", refuseWrite(100), kUploadWriteFailed, 100},
        {"last write fails", refuseWrite(5000), kUploadWriteFailed, 5000},
    };
    for (const auto& [name, fault, code, writes] : cases) {
        SCOPED_TRACE(name);
        auto device = attach(PresetDevice::Shape::TwoBanks);
        writeFile(file, concat(original));
        fault(*device);
        EXPECT_EQ(upload(-1), code);
        const auto& got = device->received;
        EXPECT_TRUE(got.size() <= kRecords && std::equal(got.begin(), got.end(), original.begin()));
        EXPECT_EQ(device->written.size(), writes < 0 ? device->written.size() : std::size_t(writes));
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
}

}  // namespace
}  // namespace zt::test
