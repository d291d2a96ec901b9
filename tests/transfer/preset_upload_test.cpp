#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "devices/progress_sink.h"
#include "hidsim/preset_device.h"
#include "support/tool_fixture.h"
#include "transfer/preset_transfer.h"
#include "transfer/scripted_device.h"
#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

using hidsim::PresetDevice;

constexpr unsigned kTwoBankRow = 3;
constexpr std::uint16_t kVid = 0x16D0, kPid = 0x0DAF;

struct ProgressRecorder : ProgressSink {
    void advanceProgress(int percentage) override { seen.push_back(percentage); }
    std::vector<int> seen;
};

// Acknowledges every acknowledged type with status 1, as a well-behaved device does.
class AcceptingDevice : public ScriptedDevice {
public:
    int write(const unsigned char* data, std::size_t length) override {
        const int result = ScriptedDevice::write(data, length);
        const unsigned type = length >= 3 ? (data[1] | data[2] << 8) : 0;
        if (type == 0x0002 || type == 0x0006 || type == 0x0021) answers.push_back(acknowledgement(1));
        return result;
    }
};

// Passes everything to a preset device, but changes the file being loaded (to `newSize` bytes)
// when the device takes its `atWrite`-th report.
class FileChangingDevice : public hidsim::Device {
public:
    FileChangingDevice(std::shared_ptr<PresetDevice> inner, std::string path, int atWrite,
                       std::size_t newSize)
        : inner_(std::move(inner)), path_(std::move(path)), atWrite_(atWrite), newSize_(newSize) {}
    int write(const unsigned char* data, std::size_t length) override {
        if (++writes_ == atWrite_) std::filesystem::resize_file(path_, newSize_);
        return inner_->write(data, length);
    }
    int read(unsigned char* data, std::size_t length, int timeoutMs) override {
        return inner_->read(data, length, timeoutMs);
    }
    void opened() override { inner_->opened(); }

private:
    std::shared_ptr<PresetDevice> inner_;
    std::string path_;
    int atWrite_;
    std::size_t newSize_;
    int writes_ = 0;
};

class UploadTest : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        tool->registry.select(kTwoBankRow);
        tool->paths.presetsPath = file;
    }
    int upload(int targetBank) { return tool->transfer.uploadFile(targetBank); }

    TempFolder folder;
    std::string file = folder.file("load.zentari");
};

// Bank redirection rewrites only the selector of SectionRecords, keeps the section (bit 1) and
// sets the bank (bit 0); selectors beyond 3, other types and target -1 pass untouched.
TEST_F(UploadTest, BankRedirection) {
    struct Case {
        std::uint16_t type;
        std::uint16_t selector;
        int target;
        std::uint16_t sent;
    };
    const Case cases[] = {
        {0x0004, 0, 0, 0}, {0x0004, 1, 0, 0}, {0x0004, 2, 0, 2}, {0x0004, 3, 0, 2}, {0x0004, 7, 0, 7},
        {0x0004, 0, 1, 1}, {0x0004, 1, 1, 1}, {0x0004, 2, 1, 3}, {0x0004, 3, 1, 3}, {0x0004, 7, 1, 7},
        {0x0004, 0, -1, 0}, {0x0004, 2, -1, 2}, {0x0004, 3, -1, 3},
        {0x0001, 0, 1, 0}, {0x0001, 2, 1, 2}, {0x0002, 0, 1, 0}, {0x0104, 0, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << c.type << " selector " << c.selector
                                        << " into " << c.target);
        hidsim::detachAll();
        auto device = std::make_shared<AcceptingDevice>();
        hidsim::attach(kVid, kPid, device);
        const Packet original = record(c.type, 0x1234, c.selector, 0x0042, 0xC3);
        writeFile(file, concat({original}));
        EXPECT_EQ(upload(c.target), kUploadDone);
        Packet expected = original;
        expected[4] = static_cast<unsigned char>(c.sent);
        expected[5] = 0;
        ASSERT_EQ(device->written.size(), 1u);
        EXPECT_EQ(device->written[0][0], 0);
        EXPECT_EQ(packetOf(device->written[0]), expected);
        EXPECT_TRUE(readFile(file) == concat({original}));  // the file itself never changes
    }
}

// What the acknowledgement of a record says decides between 0 and 5, and never stops the upload.
TEST_F(UploadTest, AcknowledgementVerdicts) {
    struct Case {
        const char* name;
        ScriptedDevice::Answer answer;
        int code;
    };
    const Case cases[] = {
        {"status 0x8000", ScriptedDevice::acknowledgement(0x8000), kUploadDone},
        {"status 1", ScriptedDevice::acknowledgement(1), kUploadDone},
        {"status 0", ScriptedDevice::acknowledgement(0), kUploadRefused},
        {"time-out", ScriptedDevice::timeOut(), kUploadRefused},
        {"read error", ScriptedDevice::readError(), kUploadRefused},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        auto device = std::make_shared<ScriptedDevice>();
        hidsim::attach(kVid, kPid, device);
        device->answers = {c.answer};
        writeFile(file, concat({record(0x0001), record(0x0002), record(0x0004, 0, 0)}));
        EXPECT_EQ(upload(-1), c.code);
        EXPECT_EQ(device->written.size(), 3u);
        EXPECT_EQ(device->reads, 1);  // only the EndRecord waits for an answer
    }
}

TEST_F(UploadTest, RefusalsAreCountedAndTheWholeFileStillGoesOut) {
    struct Case {
        const char* name;
        std::function<void(PresetDevice&)> fault;
    };
    const Case cases[] = {
        {"every record refused", [](PresetDevice& d) { d.refuseEveryRecord(); }},
        {"the 50th acknowledged record refused", [](PresetDevice& d) { d.refuseRecord(50); }},
        {"an acknowledgement lost", [](PresetDevice& d) { d.dropAcknowledgement(7); }},
    };
    std::vector<Packet> file64;
    file64.push_back(kPcOn);
    for (int i = 0; i < 100; ++i) {
        file64.push_back(record(0x0004, 0, 0, static_cast<std::uint16_t>(i % 64)));
        file64.push_back(record(0x0001, 1, 0, 0, static_cast<unsigned char>(i)));
        file64.push_back(record(0x0002));
    }
    file64.push_back(kPcOff);
    writeFile(file, concat(file64));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        hidsim::attach(kVid, kPid, device);
        c.fault(*device);
        EXPECT_EQ(upload(-1), kUploadRefused);
        EXPECT_EQ(device->received, std::vector<hidsim::Record>(file64.begin(), file64.end()));
    }
}

// A write failure stops the upload at that record: the ones before went out, none after.
TEST_F(UploadTest, WriteFailureStopsAtThatRecord) {
    const Bytes bytes = concat(std::vector<Packet>(300, record(0x0001, 0, 0, 0, 0x11)));
    writeFile(file, bytes);
    for (int failing : {1, 100, 300}) {
        SCOPED_TRACE(failing);
        hidsim::detachAll();
        auto device = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        hidsim::attach(kVid, kPid, device);
        device->refuseWrite(failing);
        EXPECT_EQ(upload(-1), kUploadWriteFailed);
        EXPECT_EQ(device->written.size(), static_cast<std::size_t>(failing));
        EXPECT_EQ(device->received.size(), static_cast<std::size_t>(failing - 1));
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
}

// Files that cannot be read as whole records never reach the device; a file that shrinks while
// it is read ends the upload with 1 instead of sending stale or invented bytes.
TEST_F(UploadTest, FilesThatCannotBeReadGiveOne) {
    struct Case {
        const char* name;
        std::function<void(const std::string&)> make;
    };
    const Case cases[] = {
        {"missing", [](const std::string&) {}},
        {"a folder", [](const std::string& p) { std::filesystem::create_directory(p); }},
        {"empty", [](const std::string& p) { writeFile(p, {}); }},
        {"not whole records", [](const std::string& p) { writeFile(p, Bytes(64 * 3 + 1, 1)); }},
        {"one byte", [](const std::string& p) { writeFile(p, {0x21}); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        auto device = std::make_shared<AcceptingDevice>();
        hidsim::attach(kVid, kPid, device);
        TempFolder place;
        tool->paths.presetsPath = place.file("x.zentari");
        c.make(tool->paths.presetsPath);
        EXPECT_EQ(upload(-1), kUploadFileFailed);
        EXPECT_EQ(hidsim::openAttempts(kVid, kPid), 0);
        EXPECT_TRUE(device->written.empty());
    }
}

TEST_F(UploadTest, UnreadableFileGivesOne) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not stop root";
    writeFile(file, concat({record(0x0001)}));
    chmod(file.c_str(), 0);
    EXPECT_EQ(upload(-1), kUploadFileFailed);
    EXPECT_EQ(hidsim::openAttempts(kVid, kPid), 0);
}

TEST_F(UploadTest, FileChangingSizeWhileLoading) {
    // Larger than any read-ahead, so the change meets the upload mid-file.
    std::vector<Packet> original;
    for (int i = 0; i < 5000; ++i) original.push_back(record(0x0001, static_cast<std::uint16_t>(i)));
    struct Case {
        const char* name;
        std::size_t newSize;
        int code;
    };
    const Case cases[] = {
        {"shrinks to nothing", 0, kUploadFileFailed},
        {"shrinks mid-record", 64 * 150 + 10, kUploadFileFailed},
        {"grows", 64 * 8000, kUploadDone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        hidsim::detachAll();
        writeFile(file, concat(original));
        auto inner = std::make_shared<PresetDevice>(PresetDevice::Shape::TwoBanks);
        // Changed when the first record is written, after the upload has opened the file.
        hidsim::attach(kVid, kPid, std::make_shared<FileChangingDevice>(inner, file, 1, c.newSize));
        EXPECT_EQ(upload(-1), c.code);
        // Whatever went out is the file's own records from its start, never more than it had.
        ASSERT_LE(inner->received.size(), original.size());
        EXPECT_TRUE(std::equal(inner->received.begin(), inner->received.end(), original.begin()));
        if (c.code == kUploadDone) {
            EXPECT_EQ(inner->received.size(), original.size());
        }
        EXPECT_EQ(hidsim::openHandles(), 0);
    }
}

TEST_F(UploadTest, NoDeviceGivesTwo) {
    writeFile(file, concat({record(0x0001)}));
    EXPECT_EQ(upload(-1), kUploadNoDevice);
    EXPECT_EQ(hidsim::openAttempts(kVid, kPid), 1);
}

// Progress runs from 0 before the first record to 100 before the last, one report per record.
TEST_F(UploadTest, ProgressFromZeroToHundred) {
    ProgressRecorder progress;
    tool->registry.setProgressSink(&progress);
    auto device = std::make_shared<AcceptingDevice>();
    hidsim::attach(kVid, kPid, device);
    writeFile(file, Bytes(64 * 300, 0));
    EXPECT_EQ(upload(-1), kUploadDone);
    ASSERT_EQ(progress.seen.size(), 300u);
    EXPECT_EQ(progress.seen.front(), 0);
    EXPECT_EQ(progress.seen.back(), 100);
    EXPECT_TRUE(std::is_sorted(progress.seen.begin(), progress.seen.end()));
    tool->registry.setProgressSink(&tool->window);
}

}  // namespace
}  // namespace zt::test
