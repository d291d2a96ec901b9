// A device in normal operation on the 64-byte channel (report id 0, then a packet; type LE16 at
// 0-1). A ReadRequest (0x0003: selector 2-3, slot 4-5) is answered by the section's records: a
// SectionRecord (0x0004: selector 4-5; here also the slot at 6), DataRecords, an EndRecord (0x0002).
// One bank: sections 0 and 2 of slots 0..255, 20 + 23 records; two banks: sections 0..3 of slots
// 0..63, 150 + 148 records: whole saves of 704640 and 1220736 bytes. 0x0002, 0x0006 and 0x0021
// (setPcConnection) are acknowledged (the type, then the status at 2-3). A replayed SectionRecord
// opens a frame that the next accepted EndRecord stores. Nothing queued reads as a time-out.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

using Record = std::array<unsigned char, 64>;

class PresetDevice : public Device {
public:
    enum class Shape { OneBank, TwoBanks };
    explicit PresetDevice(Shape shape);

    const std::vector<Record>& section(int selector, int slot) const;  // a lone EndRecord if none
    void setSection(int selector, int slot, std::vector<Record> records);  // existing ones only

    // Faults; n counts from 1 over the device's life.
    int refuseWrite = 0;             // the n-th write gives -1
    int readErrorAfter = 0;          // the first read after the n-th ReadRequest fails
    int silentAfter = -1;            // ReadRequests after the n-th get no answer
    int endlessAfter = -1;           // the n-th one gets DataRecords without end, to the next write
    int dropAcknowledgement = 0;     // the n-th acknowledged packet gets no answer
    std::uint16_t acceptStatus = 1;  // of every acknowledgement; 0 refuses (and ignores) them
    std::function<void()> onWrite;   // runs before each write

    std::vector<Report> written;           // every report written, refused ones included
    std::vector<Record> received;          // every packet taken but ReadRequests
    std::vector<int> pcConnectionChanges;  // every setPcConnection value taken
    int requests = 0;                      // ReadRequests taken
    int idleReads = 0;                     // reads that found nothing to send

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override { queue_.clear(); }

private:
    std::map<std::pair<int, int>, std::vector<Record>> memory_;
    std::deque<Record> queue_;
    std::vector<Record> frame_;
    bool streaming_ = false;
    bool readErrorDue_ = false;
    int acknowledged_ = 0;
};

}  // namespace hidsim
