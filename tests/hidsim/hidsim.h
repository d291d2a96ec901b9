// hidsim: hidapi's C functions in-process, over emulated devices that a test attaches by USB ids,
// holding the host to hidapi's rules: hid_open takes the first device with the ids, and a non-null
// serial must match exactly (L"" finds none); a device attached closed is listed but cannot be
// opened; every read and write is logged with its time-out (hid_write_timeout is hidsim's own).
// Every call runs under one process-wide lock (`hidsim::lock()` to read an emulator's state).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hidsim {

using Report = std::vector<unsigned char>;

// One host call as the device saw it.
struct Call {
    enum Op { Open, Read, Write, Close };
    Op op;
    int timeoutMs;  // reads and writes: the time-out the host gave; -1 for none (hid_read)
};

// An emulated device. The methods run under the hidsim lock.
class Device {
public:
    virtual ~Device() = default;
    // A report written by the host; data[0] is the report id. Returns the bytes taken, or -1.
    virtual int write(const unsigned char* data, std::size_t length) = 0;
    // One input report into data (at most length bytes). Returns its length, 0 when nothing
    // arrives within timeoutMs (emulated: no real time passes), -1 on a read error.
    virtual int read(unsigned char* data, std::size_t length, int timeoutMs) = 0;
    // Called when the host opens a handle to the device.
    virtual void opened() {}

    std::vector<Call> calls;  // every open, read, write and close, in order (kept by hidsim)
    // The time-outs of the reads (or writes) in order.
    std::vector<int> timeouts(Call::Op op) const;
};

// A device that is only there: it takes every write and never sends anything.
class PresenceDevice : public Device {
public:
    int write(const unsigned char*, std::size_t length) override { return static_cast<int>(length); }
    int read(unsigned char*, std::size_t, int) override { return 0; }
};

struct Identity {
    std::wstring serial = L"ZT0001";
    bool closed = false;  // listed by hid_enumerate, but hid_open fails
};

void attach(std::uint16_t vendorId, std::uint16_t productId, std::shared_ptr<Device> device,
            Identity identity = {});
void detach(const std::shared_ptr<Device>& device);
void detachAll();  // also forgets the open counts

// How many times hid_open was tried for the ids since the last detachAll().
int openAttempts(std::uint16_t vendorId, std::uint16_t productId);
// Handles open right now; forgetOpenHandles() writes off the ones a leak left.
int openHandles();
void forgetOpenHandles();

using Lock = std::unique_lock<std::recursive_mutex>;
Lock lock();

}  // namespace hidsim
