// An emulated KBOOT bootloader. Reports: id (1 command, 2 data, 3 response), 0, payload length
// LE16, payload; 36 bytes in, answers cut after their 12-byte payload. GetProperty answers from
// `properties` (tag 0xA7); FlashEraseRegion erases whole 4 KiB sectors; WriteMemory's data phase
// is ANDed onto the flash as NOR flash takes it (an empty data report ends it early), then a final
// response, status 0 only when every byte came. Other answers are generic: 0xA0, status, the
// command's tag. An empty queue reads as a time-out.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <tuple>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

class KbootBootloader : public Device {
public:
    // Faults of one answer; several combine. NotGeneric swaps the response tags 0xA0 and 0xA7;
    // LengthPastReport: a length field of 13, one past the payload bytes that come.
    enum class Fault { NoAnswer, ReadError, WrongReportId, NotGeneric, WrongEchoedTag, ErrorStatus,
                       LengthPastReport };

    explicit KbootBootloader(std::uint32_t flashSize = 0x100000)
        : properties{{1, 0x4B020100}, {3, 0}, {4, flashSize}, {5, 4096}}, flash(flashSize, 0xFF) {}

    // The `occurrence`-th answer to `tag` gets `fault`; `final` picks WriteMemory's final one.
    void failCommand(std::uint8_t tag, Fault fault, int occurrence = 1, bool final = false) {
        faults_.push_back({tag, fault, occurrence, final});
    }
    // Answers to `tag` come after `count` empty reports: the last answer again with length 0.
    void emptyReportsBefore(std::uint8_t tag, int count, bool final = false) {
        empties_[{tag, final}] = count;
    }
    int refusedDataReport = 0;  // the n-th data report is refused (-1)

    std::map<std::uint32_t, std::uint32_t> properties;
    std::vector<Report> reports;      // every report written
    std::vector<std::uint8_t> flash;  // starts all 0xFF
    int dataReports = 0;              // data reports taken, empty ones too
    bool resetDone = false;

    int write(const unsigned char* data, std::size_t length) override {
        reports.emplace_back(data, data + length);
        const std::uint32_t size = length < 4 ? 99 : data[2] | std::uint32_t{data[3]} << 8;
        if (size > 32 || length < 4 + size) return -1;
        const bool command = data[0] == 1 && size == 12 && data[7] == 2;
        const bool refused = data[0] == 2 && dataPhase_ && ++dataSeen_ == refusedDataReport;
        if ((!command && data[0] != 2) || refused) return -1;
        if (command)
            this->command(data + 4);
        else
            receive(data + 4, size);
        return static_cast<int>(length);
    }
    int read(unsigned char* data, std::size_t length, int) override {
        if (queue_.empty()) return 0;
        const Report next = queue_.front();
        queue_.pop_front();
        if (next.size() == 1) return -1;
        const std::size_t n = std::min(length, next.size());
        std::memcpy(data, next.data(), n);
        return static_cast<int>(n);
    }
    void opened() override { queue_.clear(); }

private:
    void command(const unsigned char* p) {
        const std::uint8_t tag = p[0];
        ++seen_[tag];
        dataPhase_ = false;  // a new command abandons an unfinished data phase
        std::uint32_t first = 0;
        std::uint32_t second = 0;
        std::memcpy(&first, p + 4, 4);  // little-endian, as the host is
        std::memcpy(&second, p + 8, 4);
        const bool fits = first <= flash.size() && second <= flash.size() - first;
        if (tag == 7 && properties.count(first) != 0)
            return answer(7, 0, false, 0xA7, properties[first]);
        if (tag == 2 && fits && (first | second) % 4096 == 0) {
            std::fill_n(flash.begin() + first, second, 0xFF);
            return answer(tag, 0);
        }
        if (tag == 4 && fits && (p[1] & 1) != 0) {
            answer(tag, 0);
            dataPhase_ = second > 0;
            dataAddress_ = first;
            dataRemaining_ = second;
            if (second == 0) answer(tag, 0, true);
            return;
        }
        if (tag == 11) resetDone = true;
        answer(tag, tag == 11 ? 0 : tag == 2 ? 102 : tag == 4 ? 4 : 10000);
    }
    void receive(const unsigned char* p, std::uint32_t length) {
        if (!dataPhase_) return;  // outside a data phase the bootloader ignores data
        ++dataReports;
        const std::uint32_t taken = std::min(length, dataRemaining_);
        for (std::uint32_t i = 0; i < taken; ++i) flash[dataAddress_ + i] &= p[i];
        dataAddress_ += taken;
        dataRemaining_ -= taken;
        if (length != 0 && taken == length && dataRemaining_ > 0) return;
        dataPhase_ = false;
        // Ended early by an empty report (aborted), or more bytes than announced: not whole.
        answer(4, length == 0 ? 10001 : taken < length ? 4 : 0, true);
    }
    void answer(std::uint8_t tag, std::uint32_t status, bool final = false,
                    std::uint8_t responseTag = 0xA0, std::uint32_t value = 0) {
        Report r(36, 0);
        r[0] = 3;
        r[2] = 12;
        if (responseTag == 0xA0) value = tag;
        for (const auto& [ruleTag, fault, occurrence, ruleFinal] : faults_) {
            if (ruleTag != tag || ruleFinal != final || occurrence != seen_[tag]) continue;
            if (fault == Fault::NoAnswer) return;
            if (fault == Fault::ReadError) r.resize(1);
            if (fault == Fault::WrongReportId) r[0] = 4;
            if (fault == Fault::NotGeneric) responseTag ^= 0x07;  // 0xA0 and 0xA7 swapped
            if (fault == Fault::WrongEchoedTag) value = tag + 0x01000000u;
            if (fault == Fault::ErrorStatus) status = 10000;
            if (fault == Fault::LengthPastReport) r[2] = 13;
        }
        Report empty = last_;
        empty[0] = 3;
        empty[2] = 0;
        queue_.insert(queue_.end(), empties_[{tag, final}], empty);
        if (r.size() == 1) return queue_.push_back(r);
        r[4] = responseTag;
        r[7] = 2;
        std::memcpy(&r[8], &status, 4);
        std::memcpy(&r[12], &value, 4);
        last_ = r;
        r.resize(16);  // no longer than the answer: a length past what came shows
        queue_.push_back(r);
    }

    std::deque<Report> queue_;  // {0xEE}: a read error
    Report last_ = Report(36, 0);
    std::map<std::uint8_t, int> seen_;
    std::map<std::pair<std::uint8_t, bool>, int> empties_;
    std::vector<std::tuple<std::uint8_t, Fault, int, bool>> faults_;  // as failCommand
    int dataSeen_ = 0;
    bool dataPhase_ = false;
    std::uint32_t dataAddress_ = 0;
    std::uint32_t dataRemaining_ = 0;
};

}  // namespace hidsim
