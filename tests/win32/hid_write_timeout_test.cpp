// hid_write_timeout as patched into hidapi's Windows backend, over a message pipe standing in for
// the device: the test reads (or does not read) the other end, so it sees what went out.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hid/hid_write_timeout.h"

extern "C" hid_device* zt_hid_device_over_handle(HANDLE handle, unsigned short output_report_length);

namespace {

using Bytes = std::vector<unsigned char>;

class PipeDevice : public ::testing::Test {
protected:
    void SetUp() override {
        const std::wstring name = L"\\\\.\\pipe\\zt-hid-" + std::to_wstring(GetCurrentProcessId());
        // No buffer: a write stays pending until the test reads it, like a report not yet taken.
        reader_ = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_MESSAGE, 1, 0, 0, 0, nullptr);
        device_ = zt_hid_device_over_handle(
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr), 9);
    }
    void TearDown() override { hid_close(device_); CloseHandle(reader_); }

    // The write's result and the message that reached the device, which reads for up to 5 s meanwhile.
    std::pair<int, Bytes> writeTaken(const Bytes& report) {
        Bytes received(256);
        std::thread reader([&] {
            DWORD available = 0;
            for (int wait = 0; available == 0 && wait < 1000; ++wait, Sleep(5))
                PeekNamedPipe(reader_, nullptr, 0, nullptr, &available, nullptr);
            if (available == 0 || !ReadFile(reader_, received.data(), 256, &available, nullptr)) available = 0;
            received.resize(available);
        });
        const int result = hid_write_timeout(device_, report.data(), report.size(), 5000);
        reader.join();
        return {result, received};
    }

    HANDLE reader_ = INVALID_HANDLE_VALUE;
    hid_device* device_ = nullptr;
};

TEST_F(PipeDevice, ShortReportsGoOutZeroExtendedAndCountTheExtendedLength) {
    const std::pair<Bytes, Bytes> cases[] = {
        {{0x00, 0xAA, 0xBB}, {0x00, 0xAA, 0xBB, 0, 0, 0, 0, 0, 0}},
        {{0x02}, {0x02, 0, 0, 0, 0, 0, 0, 0, 0}},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9}},
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},  // longer goes unchanged
    };
    for (const auto& [report, wire] : cases) {
        SCOPED_TRACE(report.size());
        EXPECT_EQ(writeTaken(report), std::make_pair(static_cast<int>(wire.size()), wire));
    }
}

TEST_F(PipeDevice, FailuresAndTimeOutsGiveMinusOneAndLeaveNothingPending) {
    const unsigned char report[] = {0x00, 0x11, 0x22};
    EXPECT_EQ(hid_write_timeout(device_, nullptr, 2, 100), -1);
    EXPECT_EQ(hid_write_timeout(device_, report, 0, 100), -1);
    EXPECT_EQ(hid_write_timeout(nullptr, report, 3, 100), -1);
    EXPECT_EQ(hid_write_timeout(device_, report, 3, 50), -1);  // nobody takes it
    // Cancelled, not pending: the device's next message is the next write, alone.
    EXPECT_EQ(writeTaken({0x00, 0x33}), std::make_pair(9, Bytes{0x00, 0x33, 0, 0, 0, 0, 0, 0, 0}));
    DisconnectNamedPipe(reader_);  // the device went away: the write cannot even start
    EXPECT_EQ(hid_write_timeout(device_, report, 3, 100), -1);
}

}  // namespace
