// An emulated device in normal operation on the 64-byte device channel. Output reports are report
// id 0 then the packet; input reports are 64-byte packets. Packet types (LE16 at 0-1): 0x0001
// DataRecord, 0x0002 EndRecord, 0x0003 ReadRequest (selector 2-3, slot 4-5), 0x0004 SectionRecord
// (selector 4-5; this device keeps the slot at 6-7), 0x0006 opaque, 0x0021 setPcConnection (2-3).
// - A ReadRequest is answered by the section's records: a SectionRecord, DataRecords, an EndRecord.
//   One bank: sections 0 and 2, slots 0..255, 20 + 23 records; two banks: sections 0..3, slots
//   0..63, 150 + 148 records; so a whole save is 704640 or 1220736 bytes. Any other section or
//   slot is answered by a lone EndRecord. Records carry their selector, slot and index.
// - 0x0002, 0x0006 and 0x0021 are acknowledged: the type at 0-1, the status at 2-3 (0 refused).
// - Replayed records are stored: a SectionRecord opens its section and slot, the next accepted
//   EndRecord stores the frame. Every packet but the ReadRequests is kept in `received`.
// - Answers are queued; an empty queue reads as a time-out (0) at once, and is counted.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

using Record = std::array<unsigned char, 64>;

class PresetDevice : public Device {
public:
    enum class Shape { OneBank, TwoBanks };

    explicit PresetDevice(Shape shape);

    // What the device holds for a section and slot, as it would answer it; a section it does not
    // have cannot be set.
    const std::vector<Record>& section(int selector, int slot) const;
    void setSection(int selector, int slot, std::vector<Record> records);

    // Faults; n counts from 1 over the device's life.
    int refuseWrite = 0;       // the n-th write gives -1
    int readErrorAfter = 0;    // the first read after the n-th ReadRequest fails
    int silentAfter = -1;      // ReadRequests after the n-th get no answer at all
    int endlessAfter = -1;     // the answer to the n-th ReadRequest never ends: DataRecords
                               // without an EndRecord until the next write
    int dropAcknowledgement = 0;  // the n-th acknowledged packet gets no answer
    std::uint16_t acceptStatus = 1;  // the status of every acknowledgement (0: all refused)
    std::function<void()> onWrite;   // runs before each write is looked at

    // Observation.
    std::vector<Report> written;           // every report written, refused ones included
    std::vector<Record> received;          // every packet taken other than ReadRequests
    std::vector<int> pcConnectionChanges;  // every setPcConnection value received
    int requests = 0;                      // ReadRequests received
    int idleReads = 0;                     // reads that found nothing to send (a time-out)

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override { queue_.clear(); }

private:
    void store(const Record& packet);

    int slots_;
    bool twoBanks_;
    std::map<std::pair<int, int>, std::vector<Record>> memory_;
    std::deque<Record> queue_;
    bool streaming_ = false;
    bool readErrorDue_ = false;
    int acknowledged_ = 0;
    std::vector<Record> frame_;  // a replayed section, from its SectionRecord on
};

}  // namespace hidsim
