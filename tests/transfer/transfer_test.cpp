// Saves and loads against the emulated device: the wire, the disk, the channel's 1000 ms
// time-outs, and the result code of every injected fault.
#include <signal.h>
#include <sys/resource.h>

#include "platform/stop_request.h"
#include "support/tool_fixture.h"
#include "transfer/preset_transfer.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;
using Fault = std::function<void(PresetDevice&)>;

long entries(const std::filesystem::path& folder) {
    const std::filesystem::directory_iterator all(folder);
    return static_cast<long>(std::distance(begin(all), end(all)));
}

class TransferTest : public ToolTest {
protected:
    std::shared_ptr<PresetDevice> attach() {
        device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        hidsim::detachAll();
        hidsim::attach(0x16D0, 0x0DAF, device);
        tool->registry.select(3);
        tool->paths.presetsPath = path("bank.zentari");
        return device;
    }
    void expectOneSecondTimeouts() {
        for (int timeout : device->timeouts(hidsim::Call::Read)) EXPECT_EQ(timeout, 1000);
        for (int timeout : device->timeouts(hidsim::Call::Write)) EXPECT_EQ(timeout, 1000);
    }
    std::shared_ptr<PresetDevice> device;
};

// Bank A of a two-bank kind. A failed save leaves the old file byte for byte, nothing beside it,
// no descriptor open, and switches off the PC mode it switched on.
TEST_F(TransferTest, SaveCodesByFault) {
    const auto aim = [this](std::string target) {
        return [this, target](PresetDevice&) { tool->paths.presetsPath = target; };
    };
    const auto stopAtWrite4 = [](PresetDevice& d) {
        d.onWrite = [&d] {
            if (d.written.size() == 3) requestStop();
        };
    };
    struct Row {
        const char* fault;
        Fault setUp;
        rlim_t fileLimit;  // 0: none
        int code, requests, idleReads;
    };
    const Row rows[] = {
        {"reads past an EndRecord", {}, 0, kDownloadDone, 128, 0},
        {"250-byte name", aim(path(std::string(250, 'n'))), 0, kDownloadDone, 128, 0},
        {"no device", [](PresetDevice&) { hidsim::detachAll(); }, 0, kDownloadNoDevice, 0, 0},
        {"folder missing", aim(path("no/bank")), 0, kDownloadFileFailed, 0, 0},
        {"disk full", {}, 64 * 5000, kDownloadFileFailed, 34, 0},
        {"request 3 not written", [](PresetDevice& d) { d.refuseWrite = 4; }, 0, 3, 3, 0},
        {"read error in slot 5", [](PresetDevice& d) { d.readErrorAfter = 11; }, 0, 4, 12, 0},
        {"silent", [](PresetDevice& d) { d.silentAfter = 0; }, 0, kDownloadSilent, 2, 2},
        {"silent after slot 0", [](PresetDevice& d) { d.silentAfter = 2; }, 0, 6, 128, 126},
        {"short answer in slot 40", [](PresetDevice& d) { d.setSection(0, 40, {{4}, {2}}); }, 0,
         kDownloadShort, 128, 0},
        {"endless answer in slot 3", [](PresetDevice& d) { d.endlessAfter = 7; }, 0, 7, 8, 0},
        {"stop requested at request 3", stopAtWrite4, 0, kDownloadStopped, 3, 0},
    };
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG, as on a full disk
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        attach();
        if (row.setUp) row.setUp(*device);
        const std::string target = tool->paths.presetsPath;
        writeFile(target, Bytes(4096, 0x5A));
        const Bytes old = readFile(target);  // nothing where the folder is missing
        const long files = entries(folder);
        const long descriptors = entries("/proc/self/fd");
        const rlimit limit{row.fileLimit > 0 ? row.fileLimit : unlimited.rlim_cur,
                           unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        EXPECT_EQ(tool->transfer.downloadPresets(0, 0, 64), row.code);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        clearStopRequest();
        const Bytes whole = savedBank(*device, 0, 64);
        EXPECT_TRUE(readFile(target) == (row.code == kDownloadDone ? whole : old));
        EXPECT_EQ(entries(folder), files);
        EXPECT_EQ(entries("/proc/self/fd"), descriptors);
        const std::vector<int> switches = row.requests > 0 ? std::vector{1, 0} : std::vector<int>{};
        EXPECT_EQ(device->pcConnectionChanges, switches);
        EXPECT_EQ(device->requests, row.requests);
        EXPECT_EQ(device->idleReads, row.idleReads);
        expectOneSecondTimeouts();
    }
}

// The device gets the file's records in order from its start, nothing after a failed write, and
// the host waits after the acknowledged types only (0x0002, 0x0006, 0x0021: 3 of every 8).
TEST_F(TransferTest, LoadCodesByFault) {
    const std::uint16_t types[] = {0x0001, 0x0002, 0x0004, 0x0006, 0x0021, 0x0102, 0x2100, 0x0206};
    Bytes file(4000 * 64);
    for (std::size_t i = 0; i < 4000; ++i) {
        file[i * 64] = static_cast<unsigned char>(types[i % 8]);
        file[i * 64 + 1] = static_cast<unsigned char>(types[i % 8] >> 8);
        file[i * 64 + 2] = static_cast<unsigned char>(i);
    }
    const auto resize = [this](std::uintmax_t size, bool whileSent) {
        return [this, size, whileSent](PresetDevice& d) {
            auto change = [this, size] { std::filesystem::resize_file(path("bank.zentari"), size); };
            d.onWrite = whileSent ? std::function<void()>(change) : nullptr;
            if (!whileSent) change();
        };
    };
    struct Row {
        const char* fault;
        Fault setUp;
        int code;
        long writes, reads;
    };
    const Row rows[] = {
        {"status 0x8000 is no refusal", [](PresetDevice& d) { d.acceptStatus = 0x8000; }, 0, 4000,
         1500},
        {"status 0", [](PresetDevice& d) { d.acceptStatus = 0; }, kUploadRefused, 4000, 1500},
        {"no acknowledgement", [](PresetDevice& d) { d.dropAcknowledgement = 900; }, 5, 4000, 1500},
        {"empty file", resize(0, false), kUploadFileFailed, 0, 0},
        {"not whole records", resize(64 * 3 + 1, false), kUploadFileFailed, 0, 0},
        {"shrinks while sent", resize(64 * 1500 + 10, true), kUploadFileFailed, 1500, 563},
        {"no device", [](PresetDevice&) { hidsim::detachAll(); }, kUploadNoDevice, 0, 0},
        {"write 100 fails", [](PresetDevice& d) { d.refuseWrite = 100; }, 3, 100, 37},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        attach();
        writeFile(path("bank.zentari"), file);
        row.setUp(*device);
        EXPECT_EQ(tool->transfer.uploadFile(-1), row.code);
        for (std::size_t i = 0; i < device->received.size(); ++i) {
            EXPECT_TRUE(std::equal(file.begin() + i * 64, file.begin() + i * 64 + 64,
                                   device->received[i].begin()));
        }
        EXPECT_EQ(std::ssize(device->written), row.writes);
        EXPECT_EQ(std::ssize(device->timeouts(hidsim::Call::Read)), row.reads);
        expectOneSecondTimeouts();
    }
}

}  // namespace
}  // namespace zt::test
