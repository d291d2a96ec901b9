// Saves of a bank, and loads of partial files, against the emulated device: codes by fault.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include "platform/replace_file.h"
#include "platform/stop_request.h"
#include "support/tool_fixture.h"
#include "transfer/preset_transfer.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;
using Fault = std::function<void(PresetDevice&)>;

class TransferTest : public ToolTest {
protected:
    void attach(const Fault& fault) {
        device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        hidsim::detachAll();
        hidsim::attach(0x16D0, 0x0DAF, device);
        tool->registry.select(3);
        tool->paths.presetsPath = file;
        if (fault) fault(*device);
    }
    Fault aim(const std::string& target) {
        return [this, target](PresetDevice&) { tool->paths.presetsPath = target; };
    }
    std::shared_ptr<PresetDevice> device;
    const std::string file = folder.path("bank.zentari");
};

// A failed save leaves the old file byte for byte, nothing beside it, no descriptor open, and
// switches off the PC mode it switched on. "disk full" lets 5000 records reach the disk.
TEST_F(TransferTest, SaveCodesByFault) {
    // The fault, then the code, the ReadRequests taken and the reads that found nothing.
    const std::tuple<std::string, Fault, int, int, int> rows[] = {
        {"reads past an EndRecord", {}, kDownloadDone, 128, 0},
        {"250-byte name", aim(folder.path(std::string(250, 'n'))), kDownloadDone, 128, 0},
        {"no device", [](PresetDevice&) { hidsim::detachAll(); }, kDownloadNoDevice, 0, 0},
        {"folder missing", aim(folder.path("no/bank")), kDownloadFileFailed, 0, 0},
        {"disk full", {}, kDownloadFileFailed, 34, 0},
        {"request 3 not written", [](PresetDevice& d) { d.refuseWrite = 4; }, 3, 3, 0},
        {"read error in slot 5", [](PresetDevice& d) { d.readErrorAfter = 11; }, 4, 12, 0},
        {"silent", [](PresetDevice& d) { d.silentAfter = 0; }, kDownloadSilent, 2, 2},
        {"silent after slot 0", [](PresetDevice& d) { d.silentAfter = 2; }, 6, 128, 126},
        {"short answer in slot 40", [](PresetDevice& d) { d.setSection(0, 40, {{4}, {2}}); }, 6,
         128, 0},
        {"endless answer in slot 3", [](PresetDevice& d) { d.endlessAfter = 7; }, 7, 8, 0},
        {"stop requested at request 3",
         [](PresetDevice& d) { d.onWrite = [&d] { if (d.written.size() == 3) requestStop(); }; },
         kDownloadStopped, 3, 0},
        {"started without stdin: a file opened as descriptor 0 refused",
         [](PresetDevice&) { close(STDIN_FILENO); }, kDownloadDone, 128, 0},
        {"every short temporary name taken",  // last: the names stay taken
         [this](PresetDevice&) {
             for (int n = 0; n < 100; ++n) folder.write(".zt" + std::to_string(n) + ".part", "");
         },
         kDownloadFileFailed, 0, 0},
    };
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG, as on a full disk
    for (const auto& [fault, setUp, code, requests, idleReads] : rows) {
        SCOPED_TRACE(fault);
        attach(setUp);
        const std::string target = tool->paths.presetsPath;
        folder.write(target, std::string(code ? 4096 : 0, 'Z'));  // an empty file can be replaced
        const Bytes old = readFile(target);  // nothing where the folder is missing
        const long files = entries(folder.path(""));
        const long descriptors = entries("/proc/self/fd");
        const rlimit full{fault == "disk full" ? 320000 : unlimited.rlim_cur, unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &full);
        EXPECT_EQ(tool->transfer.downloadPresets(0, 0, 64), code);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        clearStopRequest();
        EXPECT_TRUE(readFile(target) == (code == kDownloadDone ? savedBank(*device, 0, 64) : old));
        EXPECT_EQ(entries(folder.path("")), files);
        EXPECT_EQ(entries("/proc/self/fd"), descriptors);
        EXPECT_EQ(device->pcConnectionChanges, (requests ? std::vector{1, 0} : std::vector<int>{}));
        EXPECT_EQ(device->requests, requests);
        EXPECT_EQ(device->idleReads, idleReads);
        for (int timeout : device->timeouts(hidsim::Call::Read)) EXPECT_EQ(timeout, 1000);
        for (int timeout : device->timeouts(hidsim::Call::Write)) EXPECT_EQ(timeout, 1000);
        EXPECT_TRUE(fcntl(0, F_GETFD) != -1 || open("/dev/null", O_RDONLY) == 0) << "stdin back";
    }
}

// Only whole records go out: an empty or ragged file, or one that shrinks while sent, gives 1.
TEST_F(TransferTest, PartialFilesAreRefused) {
    for (std::uintmax_t size : {0, 64 * 3 + 1, 64 * 1500 + 10}) {
        attach({});
        folder.write(file, std::string(64 * 4000, '\1'));
        const auto shrink = [this, size] { std::filesystem::resize_file(file, size); };
        device->onWrite = shrink;
        if (size < 64 * 1500) shrink();
        EXPECT_EQ(tool->transfer.uploadFile(-1), kUploadFileFailed);
        EXPECT_EQ(std::ssize(device->written), size < 64 * 1500 ? 0 : 1500);
    }
    // Nor may a save count whose temporary file vanished before the replace.
    EXPECT_FALSE(replaceFile(folder.path("gone.part"), file));
    EXPECT_EQ(std::filesystem::file_size(file), 64 * 1500 + 10u);
}

// Only the acknowledged types wait for an answer: a DataRecord is sent and done.
TEST_F(TransferTest, OnlyAcknowledgedTypesWaitForAnAnswer) {
    attach({});
    ASSERT_TRUE(tool->channel.open(0x16D0, 0x0DAF));
    TransferPacket data;
    data.setField(0, kDataRecord);
    EXPECT_TRUE(tool->channel.sendPacket(data));
    EXPECT_TRUE(device->timeouts(hidsim::Call::Read).empty());
    tool->channel.close();
}

}  // namespace
}  // namespace zt::test
