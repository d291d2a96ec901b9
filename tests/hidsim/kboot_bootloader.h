// An emulated KBOOT bootloader on USB HID, written from the protocol's description. Reports of 36
// bytes: id (1 command out, 2 data out, 3 response in), 0, payload length LE16, payload. It
// answers GetProperty from `properties` (tag 0xA7), FlashEraseRegion (whole 4 KiB sectors inside
// the flash), WriteMemory with its data phase (data ANDed onto the flash as NOR flash takes it; an
// empty data report ends the phase; a final response, status 0 only when every byte came) and
// Reset, each with a generic response (0xA0, status, the command's tag). Answers queue up for
// read(); an empty queue reads as a time-out.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

class KbootBootloader : public Device {
public:
    // What goes wrong with an answer; several faults on one answer combine.
    enum class Fault {
        NoAnswer,          // the host's read times out
        WrongReportId,     // report id 4
        NotGeneric,        // response tag 0xA7 instead of 0xA0
        WrongEchoedTag,    // names another command: the tag + 0x01000000
        ErrorStatus,       // status 10000
        LengthPastReport,  // length field 32, but only 8 payload bytes arrive
        ReadError,         // the host's read fails (-1)
    };

    explicit KbootBootloader(std::uint32_t flashSize = 0x100000);

    // GetProperty values: 1 version ('K' 2.1.0), 3 flash start, 4 flash size, 5 sector size.
    std::map<std::uint32_t, std::uint32_t> properties;

    // The `occurrence`-th answer to `tag` gets `fault`; `final` picks WriteMemory's final one.
    void failCommand(std::uint8_t tag, Fault fault, int occurrence = 1, bool final = false) {
        faults_.push_back({tag, fault, occurrence, final});
    }
    // Every answer to `tag` (or its final one) comes after `count` empty reports: the previous
    // answer again with its length field 0, as a device that reuses its buffer sends it.
    void emptyReportsBefore(std::uint8_t tag, int count, bool final = false) {
        emptyBefore_[{tag, final}] = count;
    }
    void refuseDataReport(int n) { refusedData_ = n; }  // the n-th data report is refused (-1)

    std::vector<Report> reports;             // every report written, as written
    std::vector<std::uint8_t> flash;         // starts all 0xFF
    std::vector<std::uint32_t> commandTags;  // commands received, in order
    int dataReports = 0;                     // data reports acted on, empty ones included
    bool resetDone = false;

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override { queue_.clear(); }

private:
    struct Rule {
        std::uint8_t tag;
        Fault fault;
        int occurrence;
        bool final;
    };
    void command(const unsigned char* payload, std::size_t length);
    void receive(const unsigned char* payload, std::size_t length);
    void answer(std::uint8_t tag, std::uint32_t status, bool final = false,
                std::uint8_t responseTag = 0xA0, std::uint32_t value = 0);

    std::vector<Report> queue_;  // an empty report: a time-out; {0xEE}: a read error
    Report last_ = Report(36, 0);
    std::map<std::uint8_t, int> seen_;
    std::map<std::pair<std::uint8_t, bool>, int> emptyBefore_;
    std::vector<Rule> faults_;
    int refusedData_ = 0;
    int dataSeen_ = 0;
    bool dataPhase_ = false;
    std::uint32_t dataAddress_ = 0;
    std::uint32_t dataRemaining_ = 0;
};

}  // namespace hidsim
