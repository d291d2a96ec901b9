// An emulated device in normal operation on the 64-byte device channel. Output reports are report
// id 0 then the packet; input reports are 64-byte packets. Packet types (LE16 at 0-1): 0x0001
// DataRecord, 0x0002 EndRecord, 0x0003 ReadRequest (selector 2-3, slot 4-5), 0x0004 SectionRecord
// (selector 4-5; this device keeps the slot at 6-7), 0x0006 opaque, 0x0021 setPcConnection (2-3).
// - A ReadRequest is answered by the section's records: a SectionRecord, DataRecords, an EndRecord.
//   One bank: sections 0 and 2, slots 0..255, 20 + 23 records; two banks: sections 0..3, slots
//   0..63, 150 + 148 records; so a whole save is 704640 or 1220736 bytes. Any other section or
//   slot is answered by a lone EndRecord. Every record but the EndRecords is distinct.
// - 0x0002, 0x0006 and 0x0021 are acknowledged: the type at 0-1, the status at 2-3 (0 refused).
// - Replayed records are stored: a SectionRecord opens its section and slot, the next accepted
//   EndRecord stores the frame. Records outside a frame are kept in `received` only.
// - Answers are queued; an empty queue reads as a time-out (0) at once. Opening drops the queue.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

using Record = std::array<unsigned char, 64>;

class PresetDevice : public Device {
public:
    enum class Shape { OneBank, TwoBanks };

    explicit PresetDevice(Shape shape);

    int slots() const { return slots_; }
    // What the device holds for a section and slot, as it would answer it.
    const std::vector<Record>& section(int selector, int slot) const;
    // Replaces what the device holds for a section it has (false for any other).
    bool setSection(int selector, int slot, std::vector<Record> records);

    // Faults; n counts from 1 over the device's life.
    void silence() { silent_ = true; }                    // answers and acknowledges nothing
    void refuseWrite(int n) { refuseWrite_ = n; }         // the n-th write gives -1
    void readErrorOnRequest(int n) { readErrorOn_ = n; }  // the read after the n-th request fails
    void dropAcknowledgement(int n) { dropAck_ = n; }     // the n-th acknowledged packet: no answer
    void refuseEveryRecord() { refuseAll_ = true; }       // every acknowledgement has status 0
    std::uint16_t acceptStatus = 1;                       // the status of an acceptance
    std::function<void()> onWrite;                        // runs before each write is looked at

    // Observation.
    std::vector<Report> written;           // every report written, refused ones included
    std::vector<Record> received;          // every packet taken other than ReadRequests
    std::vector<int> pcConnectionChanges;  // every setPcConnection value received
    int requests = 0;                      // ReadRequests received

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override { queue_.clear(); }

private:
    bool exists(int selector, int slot) const;
    void answer(const Record& record);
    void store(const Record& packet, bool accepted);

    int slots_;
    bool twoBanks_;
    std::vector<std::vector<Record>> sections_;  // [selector * slots + slot]
    std::deque<Record> queue_;
    int acked_ = 0;
    bool silent_ = false, refuseAll_ = false, readErrorArmed_ = false;
    int refuseWrite_ = 0, readErrorOn_ = 0, dropAck_ = 0;
    int openSelector_ = -1, openSlot_ = -1;
    std::vector<Record> open_;
};

}  // namespace hidsim
