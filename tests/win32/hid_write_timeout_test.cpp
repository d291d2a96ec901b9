// hid_write_timeout as patched into hidapi's Windows backend, over a named pipe that stands in for
// the device: the test reads (or refuses to read) the other end, so it sees what went out.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <vector>

#include "hid/hid_write_timeout.h"
#include "hid_device_over_handle.h"

namespace {

class PipeDevice : public ::testing::Test {
protected:
    void SetUp() override {
        static int counter = 0;
        name_ = L"\\\\.\\pipe\\zt-hid-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
        // No buffer: a write stays pending until the test reads it, like a report the device has
        // not yet taken.
        reader_ = CreateNamedPipeW(name_.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT,
                                   1, 0, 0, 0, nullptr);
        ASSERT_NE(reader_, INVALID_HANDLE_VALUE);
        HANDLE writer = CreateFileW(name_.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
        ASSERT_NE(writer, INVALID_HANDLE_VALUE);
        device_ = zt_hid_device_over_handle(writer, kOutputReportLength);
        ASSERT_NE(device_, nullptr);
    }
    void TearDown() override {
        hid_close(device_);
        if (reader_ != INVALID_HANDLE_VALUE) CloseHandle(reader_);
    }

    // The next message on the pipe; empty when none arrives within the wait.
    std::vector<unsigned char> readMessage(DWORD waitMs) {
        const DWORD deadline = GetTickCount() + waitMs;
        DWORD available = 0;
        do {
            DWORD left = 0;
            if (!PeekNamedPipe(reader_, nullptr, 0, nullptr, &available, &left)) return {};
            if (available > 0 || left > 0) break;
            Sleep(5);
        } while (GetTickCount() < deadline);
        if (available == 0) return {};
        std::vector<unsigned char> message(256);
        DWORD got = 0;
        if (!ReadFile(reader_, message.data(), static_cast<DWORD>(message.size()), &got, nullptr)) return {};
        message.resize(got);
        return message;
    }

    static constexpr unsigned short kOutputReportLength = 9;
    std::wstring name_;
    HANDLE reader_ = INVALID_HANDLE_VALUE;
    hid_device* device_ = nullptr;
};

TEST_F(PipeDevice, ShortReportsGoOutZeroExtendedAndCountTheExtendedLength) {
    struct Case {
        const char* what;
        std::vector<unsigned char> report;
        std::vector<unsigned char> onTheWire;
    };
    const Case cases[] = {
        {"shorter", {0x00, 0xAA, 0xBB}, {0x00, 0xAA, 0xBB, 0, 0, 0, 0, 0, 0}},
        {"one byte", {0x02}, {0x02, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"exact", {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {"longer goes unchanged", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        // The reader takes the report while the write waits for it.
        std::vector<unsigned char> received;
        std::thread reader([&] { received = readMessage(5000); });
        EXPECT_EQ(hid_write_timeout(device_, c.report.data(), c.report.size(), 5000),
                  static_cast<int>(c.onTheWire.size()));
        reader.join();
        EXPECT_EQ(received, c.onTheWire);
    }
}

TEST_F(PipeDevice, AWriteNobodyTakesTimesOutAndIsCancelled) {
    const unsigned char report[] = {0x00, 0x11, 0x22};
    EXPECT_EQ(hid_write_timeout(device_, report, sizeof report, 50), -1);
    // Cancelled, not left pending: the report never reaches the other end later on.
    EXPECT_TRUE(readMessage(200).empty());
    // And the next write works normally.
    const unsigned char next[] = {0x00, 0x33};
    std::vector<unsigned char> received;
    std::thread reader([&] { received = readMessage(5000); });
    EXPECT_EQ(hid_write_timeout(device_, next, sizeof next, 5000), kOutputReportLength);
    reader.join();
    EXPECT_EQ(received, (std::vector<unsigned char>{0x00, 0x33, 0, 0, 0, 0, 0, 0, 0}));
}

TEST_F(PipeDevice, FailuresGiveMinusOne) {
    const unsigned char report[] = {0x00, 0x11};
    EXPECT_EQ(hid_write_timeout(device_, nullptr, 2, 100), -1);
    EXPECT_EQ(hid_write_timeout(device_, report, 0, 100), -1);
    EXPECT_EQ(hid_write_timeout(nullptr, report, sizeof report, 100), -1);
    // The device went away: the write cannot even start.
    CloseHandle(reader_);
    reader_ = INVALID_HANDLE_VALUE;
    EXPECT_EQ(hid_write_timeout(device_, report, sizeof report, 100), -1);
}

}  // namespace
