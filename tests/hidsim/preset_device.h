// An emulated device in normal operation, answering the 64-byte device channel.
//
// Packets go out as 65-byte output reports (report id 0, then the 64-byte packet) and come back as
// 64-byte input reports. Types (16-bit LE at offset 0): 0x0001 DataRecord, 0x0002 EndRecord,
// 0x0003 ReadRequest (selector at 2-3, slot at 4-5), 0x0004 SectionRecord (selector at 4-5),
// 0x0006 (acknowledged, content opaque), 0x0021 setPcConnection (value at 2-3).
// - ReadRequest (selector s, slot k): answered by the records of section s, slot k: a
//   SectionRecord, DataRecords, and an EndRecord last. Per slot the two sections together hold
//   43 records for the one-bank shape and 298 for the two-bank shape, so a full save has exactly
//   704640 / 1220736 bytes with its two setPcConnection records.
// - Packets of types 0x0002, 0x0006 and 0x0021 are acknowledged: a 64-byte report whose bytes
//   2-3 (status) are non-zero.
// - Replayed records are stored: a SectionRecord opens section (its selector) for its slot, the
//   records up to and including the next EndRecord become that slot's contents of that section.
//   Records outside that frame (as in a wavetables file) are kept in `received` only.
// Answers are queued and read() drains the queue; an empty queue is a time-out (0), at once.
//
// Details a test may rely on:
// - Sections that exist: 0 and 2 with slots 0..255 (one bank: 20 + 23 records per slot), or 0..3
//   with slots 0..63 (two banks: 150 + 148 records per slot). A ReadRequest for any other section
//   or slot is answered by a lone EndRecord.
// - Records as held: SectionRecord (bytes 4-5 selector, 6-7 slot, then pseudo-random bytes),
//   DataRecords (bytes 2-3 their index in the section, 4-5 selector, 6-7 slot, then pseudo-random
//   bytes), an EndRecord of zeros after its type. Content differs per section, slot and bank.
// - An acknowledgement is 64 bytes: the acknowledged type at 0-1, status 0x0001 (or 0) at 2-3.
// - A write is refused (-1) when it is empty, longer than 65 bytes or has a report id other than
//   0; a shorter one is zero-extended. `written` holds refused writes too, `received` only the
//   packets taken.
// - A refused packet (status 0) is not acted on: no mode change, a refused EndRecord drops its
//   section. A dropped acknowledgement is acted on; only the answer is lost. Silence still stores.
// - The fault counters run over the device's life; opening the device drops queued answers.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

using Record = std::array<unsigned char, 64>;

class PresetDevice : public Device {
public:
    enum class Shape { OneBank, TwoBanks };  // 256 slots in sections 0/2; or 64 slots in 0-3

    explicit PresetDevice(Shape shape);

    int slots() const;
    // The records the device holds for a section (0..3) and slot, as it would answer them.
    const std::vector<Record>& section(int selector, int slot) const;
    // A slot's content without the selector bytes of its SectionRecord: equal for two banks
    // holding the same presets.
    std::vector<Record> content(int selector, int slot) const;
    // Replaces what the device holds for an existing section and slot (false otherwise).
    bool setSection(int selector, int slot, std::vector<Record> records);

    // Faults.
    void silence() { silent_ = true; }                 // answers nothing, acknowledges nothing
    void refuseWrite(int n) { refuseWrite_ = n; }      // the n-th write (1-based) gives -1
    void readErrorOnRequest(int n) { readErrorOn_ = n; }  // reading the n-th request's answer fails
    void refuseRecord(int n) { refuseRecord_ = n; }    // the n-th acknowledged packet: status 0
    void dropAcknowledgement(int n) { dropAck_ = n; }  // the n-th acknowledged packet: no answer
    void refuseEveryRecord() { refuseAll_ = true; }    // every acknowledgement has status 0
    void shortReports(int bytes) { shortReports_ = bytes; }  // answer records come this short

    // Observation.
    std::vector<Report> written;      // every report the host wrote, as written
    std::vector<Record> received;     // every packet written other than ReadRequests, in order
    bool pcConnection = false;        // the device's PC-connection mode
    std::vector<int> pcConnectionChanges;  // every setPcConnection value received
    int requests = 0;                 // ReadRequests received
    int acknowledgements = 0;         // acknowledged packets received

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override;

private:
    struct Pending {
        Record bytes;
        int length;
        bool readError;
    };
    void store(const Record& packet);
    bool exists(int selector, int slot) const;
    void queue(const Record& record, int length);

    Shape shape_;
    std::vector<std::vector<Record>> sections_;  // [selector * slots + slot]
    std::vector<Pending> queue_;
    std::size_t head_ = 0;
    int writes_ = 0;
    int acked_ = 0;
    bool silent_ = false;
    bool refuseAll_ = false;
    int refuseWrite_ = 0, readErrorOn_ = 0, refuseRecord_ = 0, dropAck_ = 0, shortReports_ = 0;
    bool readErrorArmed_ = false;
    int openSelector_ = -1, openSlot_ = -1;
    std::vector<Record> openRecords_;
};

}  // namespace hidsim
