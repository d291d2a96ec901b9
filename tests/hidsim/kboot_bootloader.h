// An emulated KBOOT bootloader on USB HID.
//
// Reports are 36 bytes both ways: [0] report id (1 command out, 2 data out, 3 command response in),
// [1] 0, [2..3] payload length LE, [4..35] payload. A command payload is tag, flags, reserved,
// parameter count, then the parameters (32-bit LE). Answers:
// - GetProperty (7): tag 0xA7, status 0, the value from `properties`; an unknown property gets a
//   generic error answer.
// - FlashEraseRegion (2): erases [start, start + count) to 0xFF; refused (error status, nothing
//   erased) past the flash or off whole sectors, as a flash controller refuses it.
// - WriteMemory (4, flag 1): a generic response, then data reports (id 2) until `count` bytes
//   arrived or an empty data report ends the phase early, then a final generic response (status 0
//   only when every byte arrived). Data land ANDed onto the flash, as NOR flash only clears bits.
// - Reset (11): generic response; `resetDone` is set.
// A generic response is tag 0xA0, flags 0, reserved 0, count 2, status, tag of the command.
// Answers queue up for read(); an empty queue reads as a time-out, at once. Opening the device
// drops answers left from an earlier conversation. A write with a bad length field, too few
// bytes or an unknown report id is refused (-1) but still recorded.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

class KbootBootloader : public Device {
public:
    // What goes wrong with an answer.
    enum class Fault {
        None,
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

    // The `occurrence`-th (1-based) answer to `tag` gets `fault`; `finalResponse` picks the
    // answer after WriteMemory's data phase.
    void failCommand(std::uint8_t tag, Fault fault, int occurrence = 1, bool finalResponse = false);
    // Every answer to `tag` (or only its final response) comes after `count` empty
    // command-response reports, each the 4-byte header alone.
    void emptyReportsBefore(std::uint8_t tag, int count, bool finalResponse = false) {
        emptyBefore_[{tag, finalResponse}] = count;
    }
    // The n-th data report (1-based) inside a data phase is refused (-1) and not acted on.
    void refuseDataReport(int n) { refusedData_ = n; }

    std::vector<Report> reports;             // every report written, as written
    std::vector<std::uint8_t> flash;         // starts all 0xFF
    std::vector<std::uint32_t> commandTags;  // commands received, in order
    int dataReports = 0;                     // data reports acted on, empty ones included
    int reads = 0;                           // host reads served, time-outs included
    bool resetDone = false;

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override { queue_.clear(); }

private:
    struct FaultRule {
        std::uint8_t tag;
        Fault fault;
        int occurrence;
        bool finalResponse;
    };
    void command(const unsigned char* payload, std::size_t length);
    void data(const unsigned char* payload, std::size_t length);
    void answer(std::uint8_t tag, std::uint8_t responseTag, std::uint32_t status,
                std::uint32_t value, bool finalResponse = false);

    std::vector<Report> queue_;  // an empty report: a time-out; {0xEE}: a read error
    std::map<std::uint8_t, int> seen_;
    std::map<std::pair<std::uint8_t, bool>, int> emptyBefore_;
    std::vector<FaultRule> faults_;
    int refusedData_ = 0;
    int dataSeen_ = 0;
    bool inDataPhase_ = false;
    std::uint32_t dataAddress_ = 0;
    std::uint32_t dataRemaining_ = 0;
};

}  // namespace hidsim
