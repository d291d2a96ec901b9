#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "hidsim/preset_device.h"
#include "support/tool_fixture.h"
#include "transfer/preset_transfer.h"
#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;

constexpr unsigned kOneBankRow = 0, kTwoBankRow = 3;
constexpr std::uint16_t kOneBankVid = 0x1FC9, kOneBankPid = 0x815B;
constexpr std::uint16_t kTwoBankVid = 0x16D0, kTwoBankPid = 0x0DAF;

// Lets writes to regular files fail beyond `bytes` for as long as it lives, the way a full disk
// fails them (EFBIG instead of ENOSPC, and no signal).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        oldHandler_ = signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved_;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        signal(SIGXFSZ, oldHandler_);
    }

private:
    rlimit saved_{};
    sighandler_t oldHandler_;
};

class DownloadTest : public ToolTest {
protected:
    std::shared_ptr<PresetDevice> attachOneBank() {
        auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::OneBank);
        hidsim::attach(kOneBankVid, kOneBankPid, device);
        tool->registry.select(kOneBankRow);
        return device;
    }
    std::shared_ptr<PresetDevice> attachTwoBanks() {
        auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        hidsim::attach(kTwoBankVid, kTwoBankPid, device);
        tool->registry.select(kTwoBankRow);
        return device;
    }
    int download(int selector, int firstSlot, int slotCount) {
        tool->paths.presetsPath = target;
        return tool->transfer.downloadPresets(selector, firstSlot, slotCount);
    }
    // The file a download of the device's bank must give, from what the device holds.
    static Bytes expectedFile(const PresetDevice& device, int selector, int slotCount) {
        std::vector<Packet> out{kPcOn};
        for (int slot = 0; slot < slotCount; ++slot) {
            for (const auto& r : device.section(selector, slot)) out.push_back(r);
            for (const auto& r : device.section(selector + 2, slot)) out.push_back(r);
        }
        out.push_back(kPcOff);
        return concat(out);
    }

    TempFolder folder;
    std::string target = folder.file("bank.zentari");
};

// Saving over a longer file replaces its whole content with the answers, in order.
TEST_F(DownloadTest, OneBankSaveHoldsEveryAnswerInOrder) {
    auto device = attachOneBank();
    writeFile(target, arbitraryBytes(2'000'000, 7));
    ASSERT_EQ(download(0, 0, 256), kDownloadDone);
    const Bytes file = readFile(target);
    EXPECT_EQ(file.size(), 704640u);
    EXPECT_TRUE(file == expectedFile(*device, 0, 256));
    EXPECT_EQ(device->pcConnectionChanges, (std::vector<int>{1, 0}));
    EXPECT_FALSE(device->pcConnection);
    EXPECT_EQ(hidsim::openHandles(), 0);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"bank.zentari"});
    EXPECT_EQ(port.progressPosition(), 99);  // 255 * 100 / 256
}

// Bank B is asked for with selectors 1 and 3, slot by slot, between the two mode switches.
TEST_F(DownloadTest, BankBRequestsOnTheWire) {
    auto device = attachTwoBanks();
    ASSERT_EQ(download(1, 0, 64), kDownloadDone);
    ASSERT_EQ(device->written.size(), 1u + 128u + 1u);
    EXPECT_EQ(packetOf(device->written.front()), kPcOn);
    EXPECT_EQ(packetOf(device->written.back()), kPcOff);
    for (int slot = 0; slot < 64; ++slot) {
        SCOPED_TRACE(slot);
        const auto& first = device->written[static_cast<std::size_t>(1 + 2 * slot)];
        const auto& second = device->written[static_cast<std::size_t>(2 + 2 * slot)];
        EXPECT_EQ(first.size(), 65u);
        EXPECT_EQ(first[0], 0);
        EXPECT_EQ(packetOf(first), record(0x0003, 1, static_cast<std::uint16_t>(slot)));
        EXPECT_EQ(packetOf(second), record(0x0003, 3, static_cast<std::uint16_t>(slot)));
    }
    const Bytes file = readFile(target);
    EXPECT_EQ(file.size(), 1220736u);
    EXPECT_TRUE(file == expectedFile(*device, 1, 64));
    EXPECT_EQ(port.progressPosition(), 98);  // 63 * 100 / 64
}

TEST_F(DownloadTest, ShortReportsAreStoredAsWholeZeroFilledRecords) {
    auto device = attachTwoBanks();
    device->shortReports(10);
    ASSERT_EQ(download(0, 0, 2), kDownloadDone);
    std::vector<Packet> expected = records(expectedFile(*device, 0, 2));
    for (std::size_t i = 1; i + 1 < expected.size(); ++i)
        std::fill(expected[i].begin() + 10, expected[i].end(), 0);
    EXPECT_TRUE(readFile(target) == concat(expected));
}

// Only the EndRecord ends an answer; every other type, named or not, is kept like data.
TEST_F(DownloadTest, AnswerRecordsOfEveryTypeAreKeptUpToTheEndRecord) {
    auto device = attachTwoBanks();
    const std::vector<Packet> odd{record(0x0021, 1), record(0x0077, 5), record(0x0006),
                                  record(0x0003, 2, 1), record(0x0102), record(0x0002, 9)};
    ASSERT_TRUE(device->setSection(0, 0, {odd.begin(), odd.end()}));
    ASSERT_EQ(download(0, 0, 1), kDownloadDone);
    EXPECT_TRUE(readFile(target) == expectedFile(*device, 0, 1));
}

// The mode-switch acknowledgements are not examined: a device refusing them is still read whole.
TEST_F(DownloadTest, RefusedModeSwitchesDoNotStopTheSave) {
    auto device = attachTwoBanks();
    device->refuseEveryRecord();
    ASSERT_EQ(download(0, 0, 64), kDownloadDone);
    EXPECT_EQ(device->requests, 128);
    EXPECT_EQ(device->pcConnectionChanges, (std::vector<int>{1, 0}));
}

// A device that answers neither request of the first slot is taken for silent and the save ends
// at once; one empty answer, or empty answers later on, are the device's own business.
TEST_F(DownloadTest, SilenceOnlyCountsWhenTheWholeFirstSlotIsEmpty) {
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> emptied;  // (selector, slot)
        int code;
        int requests;
    };
    const Case cases[] = {
        {"both sections of slot 0", {{0, 0}, {2, 0}}, kDownloadSilent, 2},
        {"first section of slot 0", {{0, 0}}, kDownloadDone, 8},
        {"second section of slot 0", {{2, 0}}, kDownloadDone, 8},
        {"both sections of slot 1", {{0, 1}, {2, 1}}, kDownloadDone, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        auto device = attachTwoBanks();
        for (auto [selector, slot] : c.emptied) ASSERT_TRUE(device->setSection(selector, slot, {}));
        writeFile(target, {1, 2, 3});
        EXPECT_EQ(download(0, 0, 4), c.code);
        EXPECT_EQ(device->requests, c.requests);
        EXPECT_EQ(device->pcConnectionChanges, (std::vector<int>{1, 0}));
        if (c.code == kDownloadDone) {
            EXPECT_TRUE(readFile(target) == expectedFile(*device, 0, 4));
        } else {
            EXPECT_EQ(readFile(target), (Bytes{1, 2, 3}));
        }
    }
}

// Every failure leaves the old file exactly as it was and no stray file beside it, releases the
// device and, when the device was switched into PC-connection mode, switches it off again.
TEST_F(DownloadTest, EveryFailureKeepsTheOldFileAndSwitchesTheDeviceOff) {
    enum class Target { OldFile, MissingFolder, Folder, NoName };
    struct Case {
        const char* name;
        std::function<void(PresetDevice&)> fault;
        Target target;
        rlim_t fileLimit;  // 0: no limit
        int code;
        bool switched;
        int requests;  // -1: not checked
    };
    const auto none = [](PresetDevice&) {};
    const rlim_t wholeFile = 1220736;
    const Case cases[] = {
        {"target folder missing", none, Target::MissingFolder, 0, kDownloadFileFailed, false, 0},
        {"target is a folder", none, Target::Folder, 0, kDownloadFileFailed, false, 0},
        {"no name at all", none, Target::NoName, 0, kDownloadFileFailed, false, 0},
        {"first request not written", [](PresetDevice& d) { d.refuseWrite(2); }, Target::OldFile, 0,
         kDownloadRequestFailed, true, 1},
        {"second request of slot 0 not written", [](PresetDevice& d) { d.refuseWrite(3); },
         Target::OldFile, 0, kDownloadRequestFailed, true, 1},
        {"first request of slot 40 not written", [](PresetDevice& d) { d.refuseWrite(2 + 80); },
         Target::OldFile, 0, kDownloadRequestFailed, true, 81},
        {"last request not written", [](PresetDevice& d) { d.refuseWrite(129); }, Target::OldFile, 0,
         kDownloadRequestFailed, true, 127},
        {"read error in the first request", [](PresetDevice& d) { d.readErrorOnRequest(1); },
         Target::OldFile, 0, kDownloadReadFailed, true, 2},
        // The second request of the slot is still made, then the save stops.
        {"read error in the first request of slot 5", [](PresetDevice& d) { d.readErrorOnRequest(11); },
         Target::OldFile, 0, kDownloadReadFailed, true, 12},
        {"read error in the last request", [](PresetDevice& d) { d.readErrorOnRequest(128); },
         Target::OldFile, 0, kDownloadReadFailed, true, 128},
        {"silent device", [](PresetDevice& d) { d.silence(); }, Target::OldFile, 0, kDownloadSilent,
         true, 2},
        {"disk full at once", none, Target::OldFile, 1, kDownloadFileFailed, true, -1},
        {"disk full after 100 records", none, Target::OldFile, 64 * 100, kDownloadFileFailed, true, -1},
        {"disk full after 5000 records", none, Target::OldFile, 64 * 5000, kDownloadFileFailed, true,
         -1},
        {"disk full before the closing record", none, Target::OldFile, wholeFile - 64,
         kDownloadFileFailed, true, 128},
        {"disk full one byte short", none, Target::OldFile, wholeFile - 1, kDownloadFileFailed, true,
         128},
    };
    const Bytes old = arbitraryBytes(4096, 99);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        TempFolder place;
        auto device = attachTwoBanks();
        c.fault(*device);
        switch (c.target) {
            case Target::OldFile: target = place.file("old.zentari"); writeFile(target, old); break;
            case Target::MissingFolder: target = place.file("missing/new.zentari"); break;
            case Target::Folder:
                target = place.file("folder.zentari");
                std::filesystem::create_directory(target);
                break;
            case Target::NoName: target.clear(); break;
        }
        const std::vector<std::string> before = place.entries();
        int code = -1;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (c.fileLimit > 0) limit = std::make_unique<FileSizeLimit>(c.fileLimit);
            code = download(0, 0, 64);
        }
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(place.entries(), before);
        if (c.target == Target::OldFile) {
            EXPECT_TRUE(readFile(target) == old);
        }
        EXPECT_EQ(device->pcConnectionChanges, (c.switched ? std::vector<int>{1, 0} : std::vector<int>{}));
        EXPECT_FALSE(device->pcConnection);
        if (c.requests >= 0) {
            EXPECT_EQ(device->requests, c.requests);
        }
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
}

TEST_F(DownloadTest, NoDeviceTouchesNoFile) {
    tool->registry.select(kTwoBankRow);
    writeFile(target, {4, 5, 6});
    EXPECT_EQ(download(0, 0, 64), kDownloadNoDevice);
    EXPECT_EQ(readFile(target), (Bytes{4, 5, 6}));
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"bank.zentari"});
    EXPECT_EQ(hidsim::openAttempts(kTwoBankVid, kTwoBankPid), 1);
}

}  // namespace
}  // namespace zt::test
