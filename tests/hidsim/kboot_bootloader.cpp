#include "hidsim/kboot_bootloader.h"

#include <algorithm>
#include <cstring>

namespace hidsim {
namespace {

enum Status : std::uint32_t { kOk = 0, kInvalid = 4, kAddress = 102, kUnknown = 10000, kAborted };
constexpr std::uint32_t kSector = 4096;

std::uint32_t le32(const unsigned char* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

}  // namespace

KbootBootloader::KbootBootloader(std::uint32_t flashSize)
    : properties{{1, 0x4B020100}, {3, 0}, {4, flashSize}, {5, kSector}}, flash(flashSize, 0xFF) {}

int KbootBootloader::write(const unsigned char* data, std::size_t length) {
    reports.emplace_back(data, data + length);
    const std::size_t size = length < 4 ? 99 : data[2] | std::size_t{data[3]} << 8;
    if (size > 32 || length < 4 + size || data[0] < 1 || data[0] > 2) return -1;
    if (data[0] == 2 && dataPhase_ && ++dataSeen_ == refusedData_) return -1;
    if (data[0] == 1) {
        command(data + 4, size);
    } else {
        receive(data + 4, size);
    }
    return static_cast<int>(length);
}

int KbootBootloader::read(unsigned char* data, std::size_t length, int) {
    if (queue_.empty()) return 0;
    const Report next = queue_.front();
    queue_.erase(queue_.begin());
    if (next.size() == 1) return -1;
    const std::size_t n = std::min(length, next.size());
    if (n > 0) std::memcpy(data, next.data(), n);
    return static_cast<int>(n);
}

void KbootBootloader::command(const unsigned char* p, std::size_t length) {
    if (length != 12 || p[3] != 2) return answer(0, kInvalid);
    const std::uint8_t tag = p[0];
    commandTags.push_back(tag);
    ++seen_[tag];
    dataPhase_ = false;  // a new command abandons an unfinished data phase
    const std::uint32_t first = le32(p + 4);
    const std::uint32_t second = le32(p + 8);
    const bool fits = first <= flash.size() && second <= flash.size() - first;
    if (tag == 7) {
        const auto found = properties.find(first);
        if (found == properties.end()) return answer(tag, kUnknown + 300);
        return answer(tag, kOk, false, 0xA7, found->second);
    }
    if (tag == 2) {
        if (!fits || first % kSector != 0 || second % kSector != 0) return answer(tag, kAddress);
        std::fill_n(flash.begin() + first, second, 0xFF);
        return answer(tag, kOk);
    }
    if (tag == 4) {
        if ((p[1] & 1) == 0 || !fits) return answer(tag, kInvalid);
        answer(tag, kOk);
        dataPhase_ = second > 0;
        dataAddress_ = first;
        dataRemaining_ = second;
        if (second == 0) answer(tag, kOk, true);
        return;
    }
    if (tag == 11) resetDone = true;
    answer(tag, tag == 11 ? kOk : kUnknown);
}

void KbootBootloader::receive(const unsigned char* p, std::size_t length) {
    if (!dataPhase_) return;  // outside a data phase the bootloader ignores data
    ++dataReports;
    const auto taken = static_cast<std::uint32_t>(std::min<std::size_t>(length, dataRemaining_));
    for (std::uint32_t i = 0; i < taken; ++i) flash[dataAddress_ + i] &= p[i];
    dataAddress_ += taken;
    dataRemaining_ -= taken;
    if (length != 0 && taken == length && dataRemaining_ > 0) return;
    dataPhase_ = false;
    // Ended early by an empty report, or sent more bytes than announced: not whole.
    answer(4, length == 0 ? kAborted : taken < length ? kInvalid : kOk, true);
}

void KbootBootloader::answer(std::uint8_t tag, std::uint32_t status, bool final,
                             std::uint8_t responseTag, std::uint32_t value) {
    Report empty = last_;
    empty[0] = 3;
    empty[2] = 0;
    queue_.insert(queue_.end(), emptyBefore_[{tag, final}], empty);
    Report r(36, 0);
    r[0] = 3;
    r[2] = 12;
    if (responseTag == 0xA0) value = tag;
    for (const Rule& rule : faults_) {
        if (rule.tag != tag || rule.final != final || rule.occurrence != seen_[tag]) continue;
        if (rule.fault == Fault::NoAnswer) return queue_.push_back({});
        if (rule.fault == Fault::ReadError) return queue_.push_back({0xEE});
        if (rule.fault == Fault::WrongReportId) r[0] = 4;
        if (rule.fault == Fault::NotGeneric) responseTag = 0xA7;
        if (rule.fault == Fault::WrongEchoedTag) value = tag + 0x01000000u;
        if (rule.fault == Fault::ErrorStatus) status = 10000;
        if (rule.fault == Fault::LengthPastReport) r[2] = 32;
    }
    r[4] = responseTag;
    r[7] = 2;
    for (int i = 0; i < 4; ++i) {
        r[8 + i] = static_cast<unsigned char>(status >> (8 * i));
        r[12 + i] = static_cast<unsigned char>(value >> (8 * i));
    }
    last_ = r;
    if (r[2] == 32) r.resize(12);
    queue_.push_back(std::move(r));
}

}  // namespace hidsim
