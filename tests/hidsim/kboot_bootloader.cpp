#include "hidsim/kboot_bootloader.h"

#include <algorithm>
#include <cstring>

namespace hidsim {
namespace {

// Report, both ways, 36 bytes:
//   [0] report id   1 command out, 2 data out, 3 command response in
//   [1] pad 0
//   [2..3] payload length, little-endian, 0..32
//   [4..35] payload, zero past the length
constexpr std::size_t kReportSize = 36;
constexpr std::size_t kHeader = 4;
constexpr std::size_t kMaxPayload = 32;
constexpr unsigned char kCommandOut = 1;
constexpr unsigned char kDataOut = 2;
constexpr unsigned char kResponseIn = 3;

// Command payload: [0] tag, [1] flags (bit 0: a data phase follows), [2] reserved,
// [3] parameter count, [4..] parameters, 32-bit little-endian each.
constexpr std::uint8_t kFlashEraseRegion = 2;
constexpr std::uint8_t kWriteMemory = 4;
constexpr std::uint8_t kGetProperty = 7;
constexpr std::uint8_t kReset = 11;
constexpr std::uint8_t kDataPhaseFlag = 1;

// Response payload: [0] response tag, [1] flags, [2] reserved, [3] count 2, [4..7] status,
// [8..11] the tag answered (generic) or the property value (GetProperty).
constexpr std::uint8_t kGenericResponse = 0xA0;
constexpr std::uint8_t kPropertyResponse = 0xA7;

constexpr std::uint32_t kStatusOk = 0;
constexpr std::uint32_t kStatusInvalidArgument = 4;
constexpr std::uint32_t kStatusAlignmentError = 101;
constexpr std::uint32_t kStatusAddressError = 102;
constexpr std::uint32_t kStatusUnknownCommand = 10000;
constexpr std::uint32_t kStatusDataPhaseAborted = 10001;
constexpr std::uint32_t kStatusUnknownProperty = 10300;
constexpr std::uint32_t kFaultStatus = 10000;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void putLe32(unsigned char* p, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(v >> (8 * i));
}

bool fits(std::uint64_t start, std::uint64_t count, std::size_t size) {
    return start <= size && count <= size - start;
}

}  // namespace

KbootBootloader::KbootBootloader(std::uint32_t flashSize) : flash(flashSize, 0xFF) {}

void KbootBootloader::failCommand(std::uint8_t tag, Fault fault, int occurrence,
                                  bool finalResponse) {
    faults_.push_back({tag, fault, occurrence, finalResponse});
}

void KbootBootloader::emptyReportsBefore(std::uint8_t tag, int count) { emptyBefore_[tag] = count; }

void KbootBootloader::refuseDataReport(int n) { refusedData_.push_back(n); }

int KbootBootloader::write(const unsigned char* data, std::size_t length) {
    reports.emplace_back(data, data + length);
    if (length < kHeader) return -1;
    const std::size_t payloadLength = std::size_t(data[2]) | std::size_t(data[3]) << 8;
    if (payloadLength > kMaxPayload || length < kHeader + payloadLength) return -1;
    if (data[0] == kCommandOut) {
        command(data + kHeader, payloadLength);
    } else if (data[0] == kDataOut) {
        if (inDataPhase_) {
            ++dataSeen_;
            if (std::find(refusedData_.begin(), refusedData_.end(), dataSeen_) !=
                refusedData_.end())
                return -1;
        }
        this->data(data + kHeader, payloadLength);
    } else {
        return -1;
    }
    return static_cast<int>(length);
}

int KbootBootloader::read(unsigned char* data, std::size_t length, int) {
    ++reads;
    if (queue_.empty()) return 0;
    const Pending next = queue_.front();
    queue_.erase(queue_.begin());
    if (next.readError) return -1;
    if (next.bytes.empty()) return 0;  // the scripted silence: this read times out
    const std::size_t n = std::min(length, next.bytes.size());
    std::memcpy(data, next.bytes.data(), n);
    return static_cast<int>(n);
}

void KbootBootloader::command(const unsigned char* payload, std::size_t length) {
    if (length < 4) {
        // Too short even to name a command: nothing to echo but the error.
        generic(0, kStatusInvalidArgument);
        return;
    }
    const std::uint8_t tag = payload[0];
    const std::uint8_t flags = payload[1];
    const std::size_t count = payload[3];
    commandTags.push_back(tag);
    ++seen_[tag];
    if (inDataPhase_) inDataPhase_ = false;  // a new command abandons the unfinished phase

    if (length != 4 + 4 * count) {
        generic(tag, kStatusInvalidArgument);
        return;
    }
    const std::uint32_t first = count > 0 ? le32(payload + 4) : 0;
    const std::uint32_t second = count > 1 ? le32(payload + 8) : 0;

    switch (tag) {
    case kGetProperty: {
        if (std::find(silentProperties.begin(), silentProperties.end(), first) !=
            silentProperties.end())
            return;
        std::uint32_t value = 0;
        switch (first) {
        case 1: value = version; break;
        case 3: value = flashStart; break;
        case 4: value = static_cast<std::uint32_t>(flash.size()); break;
        case 5: value = sectorSize; break;
        default: generic(tag, kStatusUnknownProperty); return;
        }
        answer(tag, false, kPropertyResponse, kStatusOk, value);
        return;
    }
    case kFlashEraseRegion: {
        erases.emplace_back(first, second);
        if (!fits(first, second, flash.size())) {
            generic(tag, kStatusAddressError);
        } else if (sectorSize != 0 && (first % sectorSize != 0 || second % sectorSize != 0)) {
            generic(tag, kStatusAlignmentError);
        } else {
            std::fill_n(flash.begin() + first, second, 0xFF);
            generic(tag, kStatusOk);
        }
        return;
    }
    case kWriteMemory: {
        if (!(flags & kDataPhaseFlag)) {
            generic(tag, kStatusInvalidArgument);
        } else if (!fits(first, second, flash.size())) {
            generic(tag, kStatusAddressError);
        } else {
            generic(tag, kStatusOk);
            inDataPhase_ = true;
            dataAddress_ = first;
            dataRemaining_ = second;
            if (dataRemaining_ == 0) endDataPhase(kStatusOk);
        }
        return;
    }
    case kReset:
        resetDone = true;
        generic(tag, kStatusOk);
        return;
    default:
        generic(tag, kStatusUnknownCommand);
        return;
    }
}

void KbootBootloader::data(const unsigned char* payload, std::size_t length) {
    ++dataReports;
    if (!inDataPhase_) {
        ++strayDataReports;
        return;
    }
    if (length == 0) {  // the host ends the phase early
        endDataPhase(dataRemaining_ == 0 ? kStatusOk : kStatusDataPhaseAborted);
        return;
    }
    const std::uint32_t taken = std::min<std::uint32_t>(static_cast<std::uint32_t>(length),
                                                        dataRemaining_);
    for (std::uint32_t i = 0; i < taken; ++i) flash[dataAddress_ + i] &= payload[i];
    dataAddress_ += taken;
    dataRemaining_ -= taken;
    dataBytesReceived += taken;
    if (taken < length) {
        endDataPhase(kStatusInvalidArgument);  // more bytes than the command announced
    } else if (dataRemaining_ == 0) {
        endDataPhase(kStatusOk);
    }
}

void KbootBootloader::endDataPhase(std::uint32_t status) {
    inDataPhase_ = false;
    generic(kWriteMemory, status, true);
}

void KbootBootloader::generic(std::uint8_t tag, std::uint32_t status, bool finalResponse) {
    answer(tag, finalResponse, kGenericResponse, status, tag);
}

KbootBootloader::Fault KbootBootloader::takeFault(std::uint8_t tag, bool finalResponse) {
    for (const FaultRule& rule : faults_)
        if (rule.tag == tag && rule.finalResponse == finalResponse && rule.occurrence == seen_[tag])
            return rule.fault;
    return Fault::None;
}

void KbootBootloader::answer(std::uint8_t tag, bool finalResponse, std::uint8_t responseTag,
                             std::uint32_t status, std::uint32_t value) {
    const auto empties = emptyBefore_.find(tag);
    if (empties != emptyBefore_.end()) {
        std::vector<unsigned char> empty(kReportSize, 0);
        empty[0] = kResponseIn;
        for (int i = 0; i < empties->second; ++i) queue_.push_back({empty, false});
    }

    const Fault fault = takeFault(tag, finalResponse);
    if (fault == Fault::NoAnswer) {
        queue_.push_back({{}, false});
        return;
    }
    if (fault == Fault::ReadError) {
        queue_.push_back({{}, true});
        return;
    }
    const bool generic = responseTag == kGenericResponse;
    if (fault == Fault::NotGeneric) responseTag = kPropertyResponse;
    if (fault == Fault::WrongEchoedTag && generic) value = tag + 1u;
    if (fault == Fault::ErrorStatus) status = kFaultStatus;

    std::vector<unsigned char> report(kReportSize, 0);
    report[0] = fault == Fault::WrongReportId ? 4 : kResponseIn;
    report[2] = 12;
    report[4] = responseTag;
    report[7] = 2;  // parameter count: status and one word
    putLe32(&report[8], status);
    putLe32(&report[12], value);
    if (fault == Fault::LengthPastReport) {
        report[2] = 32;
        report.resize(kHeader + 8);
    }
    queue_.push_back({std::move(report), false});
}

}  // namespace hidsim
