// hidsim: hidapi's C functions in-process, over emulated devices that a test attaches by USB ids.
//
// hid_open(vid, pid, serial) opens the first attached device with the ids (serial ignored); a
// device attached twice under other ids answers under each. Every hidapi call and every attach
// runs under one process-wide lock, so a test may drive the tool on its worker thread while it
// attaches and inspects devices from its own (take `hidsim::Lock` to read an emulator's state).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace hidsim {

using Report = std::vector<unsigned char>;

// An emulated device. The methods run under the hidsim lock.
class Device {
public:
    virtual ~Device() = default;
    // A report written by the host; data[0] is the report id. Returns the bytes taken, or -1.
    virtual int write(const unsigned char* data, std::size_t length) = 0;
    // One input report into data (at most length bytes). Returns its length, 0 when nothing
    // arrives within timeoutMs (emulated: no real time passes), -1 on a read error.
    virtual int read(unsigned char* data, std::size_t length, int timeoutMs) = 0;
    // Called when the host opens or closes a handle to the device.
    virtual void opened() {}
    virtual void closed() {}
};

// A device that is only there: it takes every write and never sends anything.
class PresenceDevice : public Device {
public:
    int write(const unsigned char*, std::size_t length) override { return static_cast<int>(length); }
    int read(unsigned char*, std::size_t, int) override { return 0; }
};

void attach(std::uint16_t vendorId, std::uint16_t productId, std::shared_ptr<Device> device);
void detach(const std::shared_ptr<Device>& device);
void detachAll();  // also forgets the open counts

// How many times hid_open succeeded / was tried for the ids since the last detachAll().
int openCount(std::uint16_t vendorId, std::uint16_t productId);
int openAttempts(std::uint16_t vendorId, std::uint16_t productId);
// Handles open right now.
int openHandles();

using Lock = std::unique_lock<std::recursive_mutex>;
Lock lock();

}  // namespace hidsim
