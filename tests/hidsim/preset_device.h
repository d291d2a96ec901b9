// A device in normal operation on the 64-byte channel (report id 0, then a packet; type LE16 at
// 0-1). A ReadRequest (0x0003: selector 2-3, slot 4-5) gets the section's SectionRecord (0x0004:
// selector 4-5, here the slot at 6), DataRecords and EndRecord (0x0002): a whole bank is 704640
// or 1220736 bytes. 0x0002, 0x0006 and 0x0021 are acknowledged (type, status). A replayed section
// is stored at its accepted EndRecord. An empty queue reads as a time-out.
#pragma once

#include <algorithm>
#include <array>
#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <utility>

#include "hidsim/hidsim.h"

namespace hidsim {

using Record = std::array<unsigned char, 64>;

class PresetDevice : public Device {
public:
    enum class Shape { OneBank, TwoBanks };
    explicit PresetDevice(Shape shape) {
        const bool two = shape == Shape::TwoBanks;
        for (int selector = 0; selector < 4; selector += two ? 1 : 2) {
            for (int slot = 0; slot < (two ? 64 : 256); ++slot) {
                auto& records = memory_[{selector, slot}];
                records.push_back({4, 0, 0, 0, u8(selector), 0, u8(slot)});
                const int count = two ? (selector < 2 ? 150 : 148) : (selector < 2 ? 20 : 23);
                for (int i = 2; i < count; ++i)
                    records.push_back({1, 0, u8(i), 0, u8(selector), 0, u8(slot)});
                records.push_back({2});
            }
        }
    }
    const std::vector<Record>& section(int selector, int slot) const {
        static const std::vector<Record> loneEnd{{2}};  // for a section the device has not
        const auto found = memory_.find({selector, slot});
        return found == memory_.end() ? loneEnd : found->second;
    }
    void setSection(int selector, int slot, std::vector<Record> records) {
        if (memory_.contains({selector, slot})) memory_[{selector, slot}] = std::move(records);
    }

    // Faults; n counts from 1 over the device's life.
    int refuseWrite = 0;             // the n-th write gives -1
    int readErrorAfter = 0;          // the first read after the n-th ReadRequest fails
    int silentAfter = -1;            // ReadRequests after the n-th get no answer
    int endlessAfter = -1;           // the n-th one gets DataRecords without end, to the next write
    std::uint16_t acceptStatus = 1;  // of every acknowledgement; 0 refuses (and ignores) them
    std::function<void()> onWrite;   // runs before each write

    std::vector<Report> written;           // every report written, refused ones included
    std::vector<Record> received;          // every packet taken but ReadRequests
    std::vector<int> pcConnectionChanges;  // every setPcConnection value taken
    int requests = 0;                      // ReadRequests taken
    int idleReads = 0;                     // reads that found nothing to send

    int write(const unsigned char* data, std::size_t length) override {
        if (onWrite) onWrite();
        written.emplace_back(data, data + length);
        streaming_ = false;  // the host speaks again
        if (std::ssize(written) == refuseWrite || length > 65 || data[0] != 0) return -1;
        Record packet{};  // a shorter report is zero-extended
        std::memcpy(packet.data(), data + 1, length - 1);
        const int type = packet[0] | packet[1] << 8;
        if (type == 0x0003) {
            readErrorDue_ = ++requests == readErrorAfter;
            streaming_ = requests == endlessAfter;
            const auto& answer = section(packet[2] | packet[3] << 8, packet[4]);  // slots < 256
            const bool silent = streaming_ || (silentAfter >= 0 && requests > silentAfter);
            if (!silent) queue_.insert(queue_.end(), answer.begin(), answer.end());
            return int(length);
        }
        received.push_back(packet);
        if (type == 0x0021) pcConnectionChanges.push_back(packet[2] | packet[3] << 8);
        if (type == 0x0002 || type == 0x0006 || type == 0x0021)
            queue_.push_back({packet[0], packet[1], u8(acceptStatus), u8(acceptStatus >> 8)});
        if (type == 0x0004) frame_.clear();
        if (!frame_.empty() || type == 0x0004) frame_.push_back(packet);
        const bool stored = type == 0x0002 && acceptStatus != 0 && !frame_.empty();
        if (stored) setSection(frame_[0][4], frame_[0][6], frame_);
        if (type == 0x0002) frame_.clear();
        return int(length);
    }
    int read(unsigned char* data, std::size_t length, int) override {
        if (std::exchange(readErrorDue_, false)) return -1;
        if (queue_.empty() && streaming_) queue_.push_back({1, 0, 0xFF});
        idleReads += queue_.empty();
        if (queue_.empty()) return 0;
        const std::size_t n = std::min(length, queue_.front().size());
        std::memcpy(data, queue_.front().data(), n);
        queue_.pop_front();
        return int(n);
    }
    void opened() override { queue_.clear(); }

private:
    static unsigned char u8(int value) { return static_cast<unsigned char>(value); }

    std::map<std::pair<int, int>, std::vector<Record>> memory_;
    std::deque<Record> queue_;
    std::vector<Record> frame_;
    bool streaming_ = false;
    bool readErrorDue_ = false;
};

}  // namespace hidsim
