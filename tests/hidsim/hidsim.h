// hidsim: hidapi's C functions in-process, over emulated devices that a test attaches by USB ids.
// hidapi's rules hold: hid_open takes the first device with the ids; a non-null serial must match
// exactly (every device's is "ZT0001", so L"" finds none); a closed device is listed, never opened.
// Every read and write is logged with its time-out (hid_write_timeout is hidsim's own), and every
// call runs under one process-wide lock (`hidsim::lock()` to read an emulator's state).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace hidsim {

using Report = std::vector<unsigned char>;

// One host call as the device saw it.
struct Call {
    enum Op { Open, Read, Write, Close };
    Op op;
    int timeoutMs;  // of a read or write: the time-out the host gave
};

// An emulated device. The methods run under the hidsim lock.
class Device {
public:
    virtual ~Device() = default;
    // A report from the host (data[0] the report id). Returns the bytes taken (0: none) or -1.
    virtual int write(const unsigned char* data, std::size_t length) = 0;
    // One input report into data (at most length bytes). Returns its length, 0 when nothing
    // arrives within timeoutMs (emulated: no real time passes), -1 on a read error.
    virtual int read(unsigned char* data, std::size_t length, int timeoutMs) = 0;
    virtual void opened() {}  // the host opened a handle to the device

    std::vector<Call> calls;  // every open, read, write and close, in order (kept by hidsim)
    std::vector<int> timeouts(Call::Op op) const;  // of the reads (or writes), in order
};

// A device that is only there: it takes every write and never sends anything.
class PresenceDevice : public Device {
public:
    int write(const unsigned char*, std::size_t length) override { return int(length); }
    int read(unsigned char*, std::size_t, int) override { return 0; }
};

void attach(std::uint16_t vendorId, std::uint16_t productId, std::shared_ptr<Device> device,
            bool closed = false);
void detach(const std::shared_ptr<Device>& device);
void detachAll();  // also forgets the open counts

// How many times hid_open was tried for the ids since the last detachAll().
int openAttempts(std::uint16_t vendorId, std::uint16_t productId);
// The handles open right now; the count starts again from 0, so a leak fails only its own test.
int takeOpenHandles();

using Lock = std::unique_lock<std::recursive_mutex>;
Lock lock();

}  // namespace hidsim
