// An emulated KBOOT bootloader. 36-byte reports: id (1 command, 2 data, 3 response), 0, payload
// length LE16, payload. GetProperty answers from `properties` (tag 0xA7); FlashEraseRegion erases
// whole 4 KiB sectors; WriteMemory's data phase is ANDed onto the flash as NOR flash takes it (an
// empty data report ends it early), then a final response, status 0 only when every byte came.
// Other answers are generic: 0xA0, status, the command's tag. An empty queue reads as a time-out.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <tuple>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

class KbootBootloader : public Device {
public:
    // Faults of one answer; several combine. NotGeneric swaps the response tags 0xA0 and 0xA7;
    // LengthPastReport: a length field of 32, but 8 payload bytes come.
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

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override { queue_.clear(); }

private:
    void command(const unsigned char* payload);
    void receive(const unsigned char* payload, std::uint32_t length);
    void answer(std::uint8_t tag, std::uint32_t status, bool final = false,
                std::uint8_t responseTag = 0xA0, std::uint32_t value = 0);

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
