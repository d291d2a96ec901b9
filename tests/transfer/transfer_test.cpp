// The download and the upload against the emulated preset device: what reaches the wire and the
// disk, the channel's time-outs, and the result code of every injected fault.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <functional>

#include "hidsim/preset_device.h"
#include "platform/stop_request.h"
#include "support/tool_fixture.h"
#include "transfer/preset_transfer.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;
using Fault = std::function<void(PresetDevice&)>;

hidsim::Record record(std::uint16_t type, std::uint16_t at2 = 0, std::uint16_t at4 = 0) {
    hidsim::Record r{};
    r[0] = static_cast<unsigned char>(type);
    r[1] = static_cast<unsigned char>(type >> 8);
    r[2] = static_cast<unsigned char>(at2);
    r[4] = static_cast<unsigned char>(at4);
    return r;
}

Bytes concat(const std::vector<hidsim::Record>& records) {
    Bytes out;
    for (const auto& r : records) out.insert(out.end(), r.begin(), r.end());
    return out;
}

// Every read and write of the channel waits 1000 ms, no more and no less.
void expectOneSecondTimeouts(const PresetDevice& device) {
    for (auto op : {hidsim::Call::Read, hidsim::Call::Write}) {
        const std::vector<int> timeouts = device.timeouts(op);
        EXPECT_EQ(std::count(timeouts.begin(), timeouts.end(), 1000), std::ssize(timeouts));
    }
}

long openDescriptors() {
    const std::filesystem::directory_iterator all("/proc/self/fd");
    return static_cast<long>(std::distance(begin(all), end(all)));
}

class TransferTest : public ToolTest {
protected:
    std::shared_ptr<PresetDevice> attachTwoBanks() {
        auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        hidsim::detachAll();
        hidsim::attach(0x16D0, 0x0DAF, device);
        tool->registry.select(3);
        tool->paths.presetsPath = file;
        return device;
    }
    std::string file = path("bank.zentari");
};

// A save of bank A of a two-bank kind. A failed one leaves the old file byte for byte, nothing
// beside it, no descriptor open, and switches off the PC mode it switched on.
TEST_F(TransferTest, DownloadCodesByFault) {
    const auto aim = [this](std::string target) {
        return [this, target](PresetDevice&) { tool->paths.presetsPath = target; };
    };
    const auto stopAtWrite = [](std::size_t n) {
        return [n](PresetDevice& d) {
            d.onWrite = [&d, n] {
                if (d.written.size() + 1 == n) requestStop();
            };
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
        {"mode switches refused", [](PresetDevice& d) { d.acceptStatus = 0; }, 0, kDownloadDone, 128,
         0},
        {"250-byte name", aim(path(std::string(250, 'n'))), 0, kDownloadDone, 128, 0},
        {"no device", [](PresetDevice&) { hidsim::detachAll(); }, 0, kDownloadNoDevice, 0, 0},
        {"folder missing", aim(path("no/bank")), 0, kDownloadFileFailed, 0, 0},
        {"disk full", {}, 64 * 5000, kDownloadFileFailed, 34, 0},
        {"request 3 not written", [](PresetDevice& d) { d.refuseWrite = 4; }, 0, 3, 3, 0},
        {"read error in slot 5", [](PresetDevice& d) { d.readErrorAfter = 11; }, 0, 4, 12, 0},
        {"silent device", [](PresetDevice& d) { d.silentAfter = 0; }, 0, kDownloadSilent, 2, 2},
        {"silent after slot 0", [](PresetDevice& d) { d.silentAfter = 2; }, 0, 6, 128, 126},
        {"short answer in slot 40",
         [](PresetDevice& d) { d.setSection(0, 40, {record(0x0004), record(0x0002)}); }, 0, 6, 128,
         0},
        {"last answer one too long",
         [](PresetDevice& d) { d.setSection(2, 63, std::vector(149, record(0x0001, 7))); }, 0, 7,
         128, 0},
        {"endless answer in slot 3", [](PresetDevice& d) { d.endlessAfter = 7; }, 0, 7, 8, 0},
        {"stop requested", stopAtWrite(4), 0, kDownloadStopped, 3, 0},
    };
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG, as on a full disk
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        auto device = attachTwoBanks();
        if (row.setUp) row.setUp(*device);
        const std::string target = tool->paths.presetsPath;
        writeFile(target, Bytes(4096, 0x5A));
        const Bytes old = readFile(target);  // nothing where the folder is missing
        const std::vector<std::string> before = folderEntries();
        const long descriptors = openDescriptors();
        const rlimit limit{row.fileLimit > 0 ? row.fileLimit : unlimited.rlim_cur,
                           unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        EXPECT_EQ(tool->transfer.downloadPresets(0, 0, 64), row.code);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        clearStopRequest();
        std::vector<hidsim::Record> saved{record(0x0021, 1)};
        for (int slot = 0; slot < 64; ++slot) {
            for (int selector : {0, 2}) {
                const auto& answer = device->section(selector, slot);
                saved.insert(saved.end(), answer.begin(), answer.end());
            }
        }
        saved.push_back(record(0x0021, 0));
        EXPECT_TRUE(readFile(target) == (row.code == kDownloadDone ? concat(saved) : old));
        EXPECT_EQ(folderEntries(), before);
        EXPECT_EQ(openDescriptors(), descriptors);
        const std::vector<int> switches = row.requests > 0 ? std::vector{1, 0} : std::vector<int>{};
        EXPECT_EQ(device->pcConnectionChanges, switches);
        EXPECT_EQ(device->requests, row.requests);
        EXPECT_EQ(device->idleReads, row.idleReads);
        expectOneSecondTimeouts(*device);
    }
}

// Codes 0, 1, 2, 3 and 5 of an upload. The device gets the file's records in order from its
// start, unchanged for bank -1, nothing after a failed write, and waits are made for the
// acknowledged types (0x0002, 0x0006, 0x0021) only: 3 of every 8 records.
TEST_F(TransferTest, UploadCodesByFault) {
    const std::uint16_t types[] = {0x0001, 0x0002, 0x0004, 0x0006, 0x0021, 0x0102, 0x2100, 0x0206};
    std::vector<hidsim::Record> records;
    for (std::uint16_t i = 0; i < 4000; ++i) records.push_back(record(types[i % 8], i, i % 4));
    const auto resize = [this](std::uintmax_t size, bool whileSent) {
        return [this, size, whileSent](PresetDevice& d) {
            auto change = [this, size] { std::filesystem::resize_file(file, size); };
            if (whileSent) d.onWrite = change;
            if (!whileSent) change();
        };
    };
    struct Row {
        const char* fault;
        Fault setUp;
        int code;
        long writes;
    };
    const Row rows[] = {
        {"status 0x8000 accepts", [](PresetDevice& d) { d.acceptStatus = 0x8000; }, 0, 4000},
        {"status 0 refuses", [](PresetDevice& d) { d.acceptStatus = 0; }, kUploadRefused, 4000},
        {"no acknowledgement", [](PresetDevice& d) { d.dropAcknowledgement = 1500; }, 5, 4000},
        {"empty file", resize(0, false), kUploadFileFailed, 0},
        {"not whole records", resize(64 * 3 + 1, false), kUploadFileFailed, 0},
        {"shrinks while sent", resize(64 * 1500 + 10, true), kUploadFileFailed, 1500},
        {"no device", [](PresetDevice&) { hidsim::detachAll(); }, kUploadNoDevice, 0},
        {"write 100 fails", [](PresetDevice& d) { d.refuseWrite = 100; }, kUploadWriteFailed, 100},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        auto device = attachTwoBanks();
        writeFile(file, concat(records));
        if (row.setUp) row.setUp(*device);
        EXPECT_EQ(tool->transfer.uploadFile(-1), row.code);
        const auto& got = device->received;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), records.begin()));
        EXPECT_EQ(std::ssize(device->written), row.writes);
        if (row.writes == 4000) {
            EXPECT_EQ(std::ssize(device->timeouts(hidsim::Call::Read)), 1500);
        }
        expectOneSecondTimeouts(*device);
    }
}

}  // namespace
}  // namespace zt::test
