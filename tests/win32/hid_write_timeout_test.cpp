// hid_write_timeout as patched into hidapi's Windows backend, over a message pipe standing in for
// the device: the test reads (or does not read) the other end, so it sees what went out.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "hid/hid_write_timeout.h"

extern "C" hid_device* zt_hid_device_over_handle(HANDLE, unsigned short output_report_length);

namespace {

using Bytes = std::vector<unsigned char>;

TEST(PipeDevice, ReportsGoOutZeroExtendedAndFailuresGiveMinusOneLeavingNothingPending) {
    const std::wstring name = L"\\\\.\\pipe\\zt-hid-" + std::to_wstring(GetCurrentProcessId());
    // No buffer: a write stays pending until the test reads it, like a report not yet taken.
    const HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_INBOUND, PIPE_TYPE_MESSAGE, 1, 0,
                                         0, 0, nullptr);
    hid_device* device = zt_hid_device_over_handle(CreateFileW(name.c_str(), GENERIC_WRITE, 0,
        nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr), 9);
    // The write's result and the message that reached the device, which waits up to 5 s for the
    // write to be pending before it reads, so the write takes its waiting path.
    const auto writeTaken = [&](const Bytes& report) {
        Bytes received(256);
        std::thread reader([&] {
            DWORD got = 0;
            for (int wait = 0; got == 0 && wait < 1000; ++wait) {
                Sleep(5);
                PeekNamedPipe(pipe, nullptr, 0, nullptr, &got, nullptr);
            }
            if (got > 0 && !ReadFile(pipe, received.data(), 256, &got, nullptr)) got = 0;
            received.resize(got);
        });
        const int result = hid_write_timeout(device, report.data(), report.size(), 5000);
        reader.join();
        return std::pair{result, received};
    };
    const unsigned char report[] = {0x00, 0x11, 0x22};
    EXPECT_EQ(hid_write_timeout(device, nullptr, 2, 100), -1);
    EXPECT_EQ(hid_write_timeout(device, report, 0, 100), -1);
    EXPECT_EQ(hid_write_timeout(nullptr, report, 3, 100), -1);
    EXPECT_EQ(hid_write_timeout(device, report, 3, 50), -1);  // nobody takes it
    // Cancelled, not pending: the device's next message is the next write's, alone.
    const std::pair<Bytes, Bytes> cases[] = {  // what the write is given, what goes out
        {{0x00, 0xAA, 0xBB}, {0x00, 0xAA, 0xBB, 0, 0, 0, 0, 0, 0}},  // a short one not extended
        {{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},  // a longer one cut
    };
    for (const auto& [given, wire] : cases)
        EXPECT_EQ(writeTaken(given), std::make_pair(static_cast<int>(wire.size()), wire));
    DisconnectNamedPipe(pipe);  // the device went away: the write cannot even start
    EXPECT_EQ(hid_write_timeout(device, report, 3, 100), -1);
    hid_close(device);
    CloseHandle(pipe);
}

}  // namespace
