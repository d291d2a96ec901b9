#include "hidsim/kboot_bootloader.h"

#include <algorithm>
#include <cstring>

namespace hidsim {
namespace {

constexpr std::size_t kReportSize = 36, kHeader = 4, kMaxPayload = 32;
constexpr std::uint8_t kFlashEraseRegion = 2, kWriteMemory = 4, kGetProperty = 7, kReset = 11;
constexpr std::uint8_t kGeneric = 0xA0, kPropertyResponse = 0xA7;
constexpr std::uint32_t kOk = 0, kInvalidArgument = 4, kAlignmentError = 101, kAddressError = 102,
                        kUnknownCommand = 10000, kDataPhaseAborted = 10001,
                        kUnknownProperty = 10300, kFaultStatus = 10000;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

}  // namespace

KbootBootloader::KbootBootloader(std::uint32_t flashSize)
    : properties{{1, 0x4B020100}, {3, 0}, {4, flashSize}, {5, 4096}}, flash(flashSize, 0xFF) {}

void KbootBootloader::failCommand(std::uint8_t tag, Fault fault, int occurrence, bool final) {
    faults_.push_back({tag, fault, occurrence, final});
}

int KbootBootloader::write(const unsigned char* data, std::size_t length) {
    reports.emplace_back(data, data + length);
    if (length < kHeader) return -1;
    const std::size_t payloadLength = std::size_t(data[2]) | std::size_t(data[3]) << 8;
    if (payloadLength > kMaxPayload || length < kHeader + payloadLength) return -1;
    if (data[0] == 1) {
        command(data + kHeader, payloadLength);
    } else if (data[0] == 2) {
        if (inDataPhase_ && ++dataSeen_ == refusedData_) return -1;
        this->data(data + kHeader, payloadLength);
    } else {
        return -1;
    }
    return static_cast<int>(length);
}

int KbootBootloader::read(unsigned char* data, std::size_t length, int) {
    ++reads;
    if (queue_.empty()) return 0;
    const Report next = queue_.front();
    queue_.erase(queue_.begin());
    if (next.size() == 1) return -1;
    const std::size_t n = std::min(length, next.size());
    if (n > 0) std::memcpy(data, next.data(), n);
    return static_cast<int>(n);
}

void KbootBootloader::command(const unsigned char* payload, std::size_t length) {
    if (length < 4) return answer(0, kGeneric, kInvalidArgument, 0);
    const std::uint8_t tag = payload[0];
    commandTags.push_back(tag);
    ++seen_[tag];
    inDataPhase_ = false;  // a new command abandons an unfinished data phase
    if (length != 4 + 4 * std::size_t{payload[3]} || payload[3] != 2)
        return answer(tag, kGeneric, kInvalidArgument, tag);
    const std::uint32_t first = le32(payload + 4), second = le32(payload + 8);
    const bool fits = first <= flash.size() && second <= flash.size() - first;

    switch (tag) {
    case kGetProperty: {
        const auto p = properties.find(first);
        if (p == properties.end()) return answer(tag, kGeneric, kUnknownProperty, tag);
        return answer(tag, kPropertyResponse, kOk, p->second);
    }
    case kFlashEraseRegion: {
        const std::uint32_t sector = properties[5];
        if (!fits) return answer(tag, kGeneric, kAddressError, tag);
        if (sector != 0 && (first % sector != 0 || second % sector != 0))
            return answer(tag, kGeneric, kAlignmentError, tag);
        std::fill_n(flash.begin() + first, second, 0xFF);
        return answer(tag, kGeneric, kOk, tag);
    }
    case kWriteMemory:
        if (!(payload[1] & 1)) return answer(tag, kGeneric, kInvalidArgument, tag);
        if (!fits) return answer(tag, kGeneric, kAddressError, tag);
        answer(tag, kGeneric, kOk, tag);
        inDataPhase_ = second > 0;
        dataAddress_ = first;
        dataRemaining_ = second;
        if (second == 0) answer(tag, kGeneric, kOk, tag, true);
        return;
    case kReset:
        resetDone = true;
        return answer(tag, kGeneric, kOk, tag);
    default:
        return answer(tag, kGeneric, kUnknownCommand, tag);
    }
}

void KbootBootloader::data(const unsigned char* payload, std::size_t length) {
    if (!inDataPhase_) return;  // outside a data phase the bootloader ignores data
    ++dataReports;
    const auto taken = static_cast<std::uint32_t>(std::min<std::size_t>(length, dataRemaining_));
    for (std::uint32_t i = 0; i < taken; ++i) flash[dataAddress_ + i] &= payload[i];
    dataAddress_ += taken;
    dataRemaining_ -= taken;
    // An empty report ends the phase early; more bytes than announced are an error.
    if (length != 0 && taken == length && dataRemaining_ > 0) return;
    inDataPhase_ = false;
    const bool whole = dataRemaining_ == 0 && taken == length;
    answer(kWriteMemory, kGeneric, whole ? kOk : length == 0 ? kDataPhaseAborted : kInvalidArgument,
           kWriteMemory, true);
}

void KbootBootloader::answer(std::uint8_t tag, std::uint8_t responseTag, std::uint32_t status,
                             std::uint32_t value, bool finalResponse) {
    for (int i = 0; i < emptyBefore_[{tag, finalResponse}]; ++i) queue_.push_back({3, 0, 0, 0});
    Fault fault = Fault::None;
    for (const FaultRule& rule : faults_)
        if (rule.tag == tag && rule.finalResponse == finalResponse && rule.occurrence == seen_[tag])
            fault = rule.fault;
    if (fault == Fault::NoAnswer) return queue_.push_back({});
    if (fault == Fault::ReadError) return queue_.push_back({0xEE});
    if (fault == Fault::WrongEchoedTag && responseTag == kGeneric) value = tag + 0x01000000u;
    if (fault == Fault::NotGeneric) responseTag = kPropertyResponse;
    if (fault == Fault::ErrorStatus) status = kFaultStatus;

    Report report(kReportSize, 0);
    report[0] = fault == Fault::WrongReportId ? 4 : 3;
    report[2] = 12;
    report[4] = responseTag;
    report[7] = 2;
    for (int i = 0; i < 4; ++i) {
        report[8 + i] = static_cast<unsigned char>(status >> (8 * i));
        report[12 + i] = static_cast<unsigned char>(value >> (8 * i));
    }
    if (fault == Fault::LengthPastReport) {
        report[2] = 32;
        report.resize(kHeader + 8);
    }
    queue_.push_back(std::move(report));
}

}  // namespace hidsim
