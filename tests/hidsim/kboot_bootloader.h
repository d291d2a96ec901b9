// An emulated KBOOT bootloader on USB HID, as the tool's flashing sequence meets it.
//
// Reports are 36 bytes both ways: [0] report id (1 command out, 2 data out, 3 command response in),
// [1] 0, [2..3] payload length LE, [4..35] payload. A command payload is tag, flags, reserved,
// parameter count, then the parameters (32-bit LE). Answers:
// - GetProperty (7): tag 0xA7, status 0, the property's value, for properties 1, 3, 4, 5; any
//   other property gets a generic error answer.
// - FlashEraseRegion (2): erases [start, start + count) of the flash to 0xFF; generic response.
// - WriteMemory (4, flag 1): a generic response, then takes data reports (id 2) until `count`
//   bytes arrived or an empty data report ends the phase early, then a final generic response
//   (status 0 when every byte arrived, else an error status).
// - Reset (11): generic response; the device counts as reset.
// A generic response is tag 0xA0, flags 0, reserved 0, count 2, status, tag of the command.
// Addresses beyond the flash get an error status. Answers go into a queue that read() drains; an
// empty queue reads as a time-out (0), at once: the emulator spends no real time.
//
// Details a test may rely on:
// - The flash covers addresses [0, flashSize); `flashStart` is only the value reported.
// - An erase whose start or count is not a multiple of `sectorSize` (when non-zero) gets an error
//   status and erases nothing, as a real flash controller refuses it.
// - Data land ANDed onto the flash, as NOR flash only clears bits: writing over a region that was
//   not erased shows up as corrupted bytes. Bytes past the WriteMemory count end the phase with an
//   error status.
// - A write whose length field exceeds 32, whose bytes are fewer than 4 + length, or whose report
//   id is neither 1 nor 2 is refused (-1). A refused write is still recorded in `reports`.
// - A data report outside a data phase is taken and ignored (counted in `strayDataReports`); a
//   command during a data phase abandons that phase without a final response.
// - Opening the device drops answers still queued from an earlier conversation.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

class KbootBootloader : public Device {
public:
    // What can go wrong with the answer to a command (the first answer; for WriteMemory,
    // `finalResponse` picks the answer after the data phase).
    enum class Fault {
        None,
        NoAnswer,          // nothing is sent: the host's read times out
        WrongReportId,     // the answer comes with report id 4
        NotGeneric,        // response tag 0xA7 instead of 0xA0
        WrongEchoedTag,    // the generic response names another command
        ErrorStatus,       // status 10000 (an error)
        LengthPastReport,  // the length field says 32 but only 8 payload bytes arrive
        ReadError,         // the host's read fails (-1)
    };

    explicit KbootBootloader(std::uint32_t flashSize = 0x100000);

    // Properties answered by GetProperty.
    std::uint32_t version = 0x4B020100;  // 'K' 2.1.0
    std::uint32_t flashStart = 0;
    std::uint32_t sectorSize = 4096;
    // Properties that get no answer at all (the read times out).
    std::vector<std::uint32_t> silentProperties;

    // The `occurrence`-th command (1-based) with `tag` gets `fault`.
    void failCommand(std::uint8_t tag, Fault fault, int occurrence = 1, bool finalResponse = false);
    // Every answer to a command with `tag` is preceded by `count` empty command-response reports.
    void emptyReportsBefore(std::uint8_t tag, int count);
    // The n-th data report (1-based, counted over every data phase) written in a data phase is
    // refused: write() gives -1 and the report is not acted on.
    void refuseDataReport(int n);

    // Observation.
    std::vector<Report> reports;              // every report written, as written
    std::vector<std::uint8_t> flash;          // the flash; starts all 0xFF
    std::vector<std::uint32_t> commandTags;   // tags of the commands received, in order
    std::vector<std::pair<std::uint32_t, std::uint32_t>> erases;  // (start, count) each
    std::uint32_t dataBytesReceived = 0;      // over all data phases
    int dataReports = 0;                      // data reports received, empty ones included
    bool resetDone = false;
    int reads = 0;                            // host reads served, time-outs included
    int strayDataReports = 0;                 // data reports that arrived outside a data phase

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char* data, std::size_t length, int timeoutMs) override;
    void opened() override { queue_.clear(); }

private:
    struct Pending {
        std::vector<unsigned char> bytes;  // empty = time-out
        bool readError = false;
    };
    void answer(std::uint8_t tag, bool finalResponse, std::uint8_t responseTag,
                std::uint32_t status, std::uint32_t value);
    void generic(std::uint8_t tag, std::uint32_t status, bool finalResponse = false);
    void endDataPhase(std::uint32_t status);
    Fault takeFault(std::uint8_t tag, bool finalResponse);
    void command(const unsigned char* payload, std::size_t length);
    void data(const unsigned char* payload, std::size_t length);

    std::vector<Pending> queue_;
    std::map<std::uint8_t, int> seen_;
    std::map<std::uint8_t, int> emptyBefore_;
    struct FaultRule {
        std::uint8_t tag;
        Fault fault;
        int occurrence;
        bool finalResponse;
    };
    std::vector<FaultRule> faults_;
    std::vector<int> refusedData_;
    int dataSeen_ = 0;
    bool inDataPhase_ = false;
    std::uint32_t dataAddress_ = 0;
    std::uint32_t dataRemaining_ = 0;
};

}  // namespace hidsim
