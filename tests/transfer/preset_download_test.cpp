#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

using Memory = std::vector<std::vector<hidsim::Record>>;  // [selector * slots + slot]
using DownloadTest = TransferTest;

Memory memoryOf(const PresetDevice& device) {
    Memory memory;
    for (int selector = 0; selector < 4; ++selector)
        for (int slot = 0; slot < device.slots(); ++slot) memory.push_back(device.section(selector, slot));
    return memory;
}

// The file a save of a bank must give, from what the device holds.
Bytes expectedFile(const PresetDevice& device, int selector, int slots) {
    std::vector<Packet> out{kPcOn};
    for (int slot = 0; slot < slots; ++slot)
        for (int section : {selector, selector + 2})
            for (const auto& r : device.section(section, slot)) out.push_back(r);
    out.push_back(kPcOff);
    return concat(out);
}

// A bank saved over a longer file: the exact reports on the wire, the file, progress; then the
// file loaded into changed presets, maybe into the other bank, restores them and stays unchanged.
TEST_F(DownloadTest, SaveAndLoadBack) {
    struct Case { PresetDevice::Shape shape; int selector, slots, loadInto, progress; };
    const Case cases[] = {
        {PresetDevice::Shape::TwoBanks, 1, 64, -1, 98},  // bank B: requests 1 and 3
        {PresetDevice::Shape::OneBank, 0, 256, -1, 99},
        {PresetDevice::Shape::TwoBanks, 0, 64, 1, 98},  // bank A into bank B
    };
    const auto report = [](const Packet& p) {  // report id 0, then the packet
        hidsim::Report r{0};
        return r.insert(r.end(), p.begin(), p.end()), r;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.selector);
        tool->window.startProgress();
        auto device = attach(c.shape);
        writeFile(file, arbitraryBytes(2'000'000, 7));
        ASSERT_EQ(download(c.selector, c.slots), kDownloadDone);
        std::vector<hidsim::Report> wire{report(kPcOn)};
        for (int slot = 0; slot < c.slots; ++slot)
            for (int section : {c.selector, c.selector + 2})
                wire.push_back(report(record(0x0003, std::uint16_t(section), std::uint16_t(slot))));
        wire.push_back(report(kPcOff));
        EXPECT_TRUE(device->written == wire);
        const Bytes saved = readFile(file);
        EXPECT_TRUE(saved == expectedFile(*device, c.selector, c.slots));
        ASSERT_TRUE(tool->registry.presetsFileMatches(file));  // the size of a whole bank
        EXPECT_EQ(port.progressPosition(), c.progress);

        Memory expected = memoryOf(*device);
        for (int slot = 0; slot < c.slots; ++slot)
            for (int from : {c.selector, c.selector + 2}) {
                const int to = c.loadInto < 0 ? from : (from & 2) | c.loadInto;
                auto& section = expected[std::size_t(to * c.slots + slot)];
                section = expected[std::size_t(from * c.slots + slot)];
                section[0][4] = static_cast<unsigned char>(to);
            }
        const int bank = c.loadInto < 0 ? c.selector : c.loadInto;  // changed since the save
        ASSERT_TRUE(device->setSection(bank, 7, device->section(bank + 2, 0)));
        EXPECT_EQ(upload(c.loadInto), kUploadDone);
        EXPECT_EQ(memoryOf(*device), expected);
        EXPECT_TRUE(readFile(file) == saved);
    }
}

// Every result code by injected fault. A failed save leaves the old target byte for byte with no
// stray file beside it; a device switched on is switched off; the device is always released.
TEST_F(DownloadTest, ResultCodesByFault) {
    // requests 0: the device was never switched on; -1: not checked. fileLimit 0: none.
    struct Case { const char* name; Fault fault; rlim_t fileLimit; int code, requests; };
    const auto refuseWrite = [](int n) { return [n](PresetDevice& d) { d.refuseWrite(n); }; };
    const auto readError = [](int n) { return [n](PresetDevice& d) { d.readErrorOnRequest(n); }; };
    const auto empty = [](int slot, bool both) {  // leaves the second section, maybe both, empty
        return [=](PresetDevice& d) { d.setSection(2, slot, {}), both && d.setSection(0, slot, {}); };
    };
    std::filesystem::create_directory(folder.file("d"));
    const Case cases[] = {
        {"no device", [](PresetDevice&) { hidsim::detachAll(); }, 0, kDownloadNoDevice, 0},
        {"target folder missing", aim(folder.file("no/new")), 0, kDownloadFileFailed, 0},
        {"target is a folder", aim(folder.file("d")), 0, kDownloadFileFailed, 0},
        {"no name", aim(""), 0, kDownloadFileFailed, 0},
        {"disk full at once", {}, 1, kDownloadFileFailed, -1},
        {"disk full after 5000 records", {}, 64 * 5000, kDownloadFileFailed, -1},
        {"disk full at the closing record", {}, 1220736 - 64, kDownloadFileFailed, 128},
        {"first request not written", refuseWrite(2), 0, kDownloadRequestFailed, 1},
        {"second request not written", refuseWrite(3), 0, kDownloadRequestFailed, 1},
        {"last request not written", refuseWrite(129), 0, kDownloadRequestFailed, 127},
        {"read error in slot 5", readError(11), 0, kDownloadReadFailed, 12},  // its second request too
        {"read error in the last request", readError(128), 0, kDownloadReadFailed, 128},
        {"silent device", [](PresetDevice& d) { d.silence(); }, 0, kDownloadSilent, 2},
        {"slot 0 answers nothing", empty(0, true), 0, kDownloadSilent, 2},
        {"slot 0 answers one section", empty(0, false), 0, kDownloadDone, 128},
        {"slot 1 answers nothing", empty(1, true), 0, kDownloadDone, 128},
        {"mode switches refused", [](PresetDevice& d) { d.refuseEveryRecord(); }, 0, kDownloadDone, 128},
    };
    const Bytes old = arbitraryBytes(4096, 99);
    rlimit unlimited{};
    getrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, SIG_IGN);  // a write past the limit fails with EFBIG, as on a full disk
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto device = attach(PresetDevice::Shape::TwoBanks);
        writeFile(file, old);
        if (c.fault) c.fault(*device);
        const std::vector<std::string> before = folder.entries();
        const rlimit limit{c.fileLimit > 0 ? c.fileLimit : unlimited.rlim_cur, unlimited.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        EXPECT_EQ(download(0, 64), c.code);
        setrlimit(RLIMIT_FSIZE, &unlimited);
        EXPECT_EQ(folder.entries(), before);
        EXPECT_TRUE(readFile(file) == (c.code == kDownloadDone ? expectedFile(*device, 0, 64) : old));
        EXPECT_EQ(device->pcConnectionChanges, (c.requests != 0 ? std::vector{1, 0} : std::vector<int>{}));
        EXPECT_EQ(device->requests, c.requests < 0 ? device->requests : c.requests);
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
}

}  // namespace
}  // namespace zt::test
