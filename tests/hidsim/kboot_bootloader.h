// An emulated KBOOT bootloader. Reports: id (1 command, 2 data, 3 response), 0, payload length
// LE16, payload; 36 bytes in, answers cut after their 12-byte payload. GetProperty answers with tag
// 0xA7; FlashEraseRegion erases whole 4 KiB sectors; WriteMemory's data is ANDed onto the flash as
// NOR flash takes it (an empty data report ends it early), then a final response, status 0 only
// when every byte came. Other answers: 0xA0, status, the command's tag. Silence is a time-out.
#pragma once

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <tuple>

#include "hidsim/hidsim.h"

namespace hidsim {

class KbootBootloader : public Device {
public:
    // Faults of one answer; several combine. NotGeneric swaps the response tags 0xA0 and 0xA7;
    // LengthPastReport: a length field of 13, one past the payload bytes that come.
    enum class Fault { NoAnswer, ReadError, WrongReportId, NotGeneric, WrongEchoedTag, ErrorStatus,
                       LengthPastReport };

    explicit KbootBootloader(std::uint32_t flashSize = 0x100000) : flash(flashSize, 0xFF) {}

    // The `occurrence`-th answer to `tag` gets `fault` (WriteMemory's final response is its 2nd).
    void failCommand(std::uint8_t tag, Fault fault, int occurrence = 1) {
        faults_.push_back({tag, fault, occurrence});
    }
    // {tag, occurrence}: that answer comes after this many empty reports (id 3, length 0).
    std::map<std::pair<std::uint8_t, int>, int> emptyReportsBefore;
    int refusedDataReport = 0;  // the n-th data report is refused (-1)

    std::vector<Report> reports;      // every report written
    std::vector<std::uint8_t> flash;  // starts all 0xFF
    bool resetDone = false;

    int write(const unsigned char* data, std::size_t length) override {
        reports.emplace_back(data, data + length);
        const std::uint32_t size = length < 4 ? 99 : data[2] | std::uint32_t{data[3]} << 8;
        if (size > 32 || length < 4 + size) return -1;
        const bool command = data[0] == 1 && size == 12 && data[7] == 2;
        const bool refused = data[0] == 2 && dataPhase_ && ++dataSeen_ == refusedDataReport;
        if ((!command && data[0] != 2) || refused) return -1;
        command ? this->command(data + 4) : receive(data + 4, size);
        return static_cast<int>(length);
    }
    int read(unsigned char* data, std::size_t length, int) override {
        if (queue_.empty()) return 0;
        const Report next = queue_.front();
        queue_.pop_front();
        const std::size_t n = std::min(length, next.size());
        std::memcpy(data, next.data(), n);
        return next[0] == 0xEE ? -1 : static_cast<int>(n);
    }
    void opened() override { queue_.clear(); }

private:
    void command(const unsigned char* p) {
        const std::uint8_t tag = p[0];
        // The two parameters: an address and a byte count, or for GetProperty the property.
        std::memcpy(&at_, p + 4, 4);  // little-endian, as the host is
        std::memcpy(&left_, p + 8, 4);
        const bool fits = at_ <= flash.size() && left_ <= flash.size() - at_;
        const bool erase = tag == 2 && fits && (at_ | left_) % 4096 == 0;
        if (erase) std::fill_n(flash.begin() + at_, left_, 0xFF);
        dataPhase_ = tag == 4 && fits && (p[1] & 1) != 0;  // and any other command ends one
        if (tag == 11) resetDone = true;
        // Properties: 1 the version K2.1.0, 3 the flash start, 4 its size, 5 the sector size.
        const std::uint32_t values[] = {0, 0x4B020100, 0, 0, std::uint32_t(flash.size()), 4096};
        if (tag == 7) return answer(7, 0, at_ < 6 ? values[at_] : 0);
        answer(tag, erase || dataPhase_ || tag == 11 ? 0 : 10000);
    }
    void receive(const unsigned char* p, std::uint32_t length) {
        if (!dataPhase_) return;  // outside a data phase the bootloader ignores data
        const std::uint32_t taken = std::min(length, left_);
        for (std::uint32_t i = 0; i < taken; ++i) flash[at_ + i] &= p[i];
        at_ += taken;
        left_ -= taken;
        if (length != 0 && taken == length && left_ > 0) return;
        dataPhase_ = false;
        // Ended early by an empty report (aborted), or more bytes than announced: not whole.
        answer(4, length == 0 ? 10001 : taken < length ? 4 : 0);
    }
    // GetProperty's answer (tag 0xA7) carries `value`; the generic one (0xA0) the command's tag.
    void answer(std::uint8_t tag, std::uint32_t status, std::uint32_t value = 0) {
        const int occurrence = ++seen_[tag];
        const std::uint32_t words[] = {status, tag == 7 ? value : tag};
        Report r{3, 0, 12, 0, 0xA0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};  // no longer than the answer
        if (tag == 7) r[4] = 0xA7;
        std::memcpy(&r[8], words, 8);
        for (const auto& [ruleTag, fault, ruleOccurrence] : faults_) {
            if (ruleTag != tag || ruleOccurrence != occurrence) continue;
            if (fault == Fault::NoAnswer) return;
            // In the enum's order, the byte each fault sets and to what: the report id (0xEE:
            // a read error), the response tag 0xA0 / 0xA7 swapped, the echo, status, length.
            const std::pair<int, int> sets[] = {{0, r[0]},  {0, 0xEE}, {0, 4}, {4, r[4] ^ 7},
                                                {15, 1}, {11, 1},   {2, 13}};
            r[sets[int(fault)].first] = std::uint8_t(sets[int(fault)].second);
        }
        queue_.insert(queue_.end(), emptyReportsBefore[{tag, occurrence}], Report{3, 0, 0, 0});
        queue_.push_back(r);
    }

    std::deque<Report> queue_;  // [0] 0xEE: a read error
    std::map<std::uint8_t, int> seen_;
    std::vector<std::tuple<std::uint8_t, Fault, int>> faults_;  // as failCommand
    int dataSeen_ = 0;
    bool dataPhase_ = false;
    std::uint32_t at_ = 0;    // a data phase's next address
    std::uint32_t left_ = 0;  // and the bytes it still expects
};

}  // namespace hidsim
