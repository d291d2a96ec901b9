#include "hidsim/preset_device.h"

#include <algorithm>
#include <cstring>

namespace hidsim {

namespace {
unsigned le16(const unsigned char* p) { return p[0] | p[1] << 8; }
unsigned char byte(unsigned value) { return static_cast<unsigned char>(value); }
}  // namespace

PresetDevice::PresetDevice(Shape shape) {
    const bool two = shape == Shape::TwoBanks;
    for (int selector = 0; selector < 4; selector += two ? 1 : 2) {
        const int count = selector < 2 ? (two ? 150 : 20) : (two ? 148 : 23);
        for (int slot = 0; slot < (two ? 64 : 256); ++slot) {
            std::vector<Record>& records = memory_[{selector, slot}];
            for (int i = 0; i + 1 < count; ++i) {
                records.push_back({byte(i == 0 ? 4 : 1), 0, byte(i), 0, byte(selector), 0, byte(slot)});
            }
            records.push_back({2});
        }
    }
}

const std::vector<Record>& PresetDevice::section(int selector, int slot) const {
    static const std::vector<Record> loneEnd{{2}};
    const auto found = memory_.find({selector, slot});
    return found == memory_.end() ? loneEnd : found->second;
}

void PresetDevice::setSection(int selector, int slot, std::vector<Record> records) {
    const auto found = memory_.find({selector, slot});
    if (found != memory_.end()) found->second = std::move(records);
}

int PresetDevice::write(const unsigned char* data, std::size_t length) {
    if (onWrite) onWrite();
    written.emplace_back(data, data + length);
    streaming_ = false;  // the host speaks again
    if (std::ssize(written) == refuseWrite || length > 65 || data[0] != 0) return -1;
    Record packet{};  // a shorter report is zero-extended
    std::memcpy(packet.data(), data + 1, length - 1);
    const unsigned type = le16(packet.data());
    if (type == 0x0003) {
        ++requests;
        readErrorDue_ = requests == readErrorAfter;
        streaming_ = requests == endlessAfter;
        if (!streaming_ && (silentAfter < 0 || requests <= silentAfter)) {
            const auto& answer = section(int(le16(&packet[2])), int(le16(&packet[4])));
            queue_.insert(queue_.end(), answer.begin(), answer.end());
        }
        return int(length);
    }
    received.push_back(packet);
    if (type == 0x0021) pcConnectionChanges.push_back(int(le16(&packet[2])));
    const bool acknowledged = type == 0x0002 || type == 0x0006 || type == 0x0021;
    if (acknowledged && ++acknowledged_ != dropAcknowledgement) {
        queue_.push_back({byte(type), byte(type >> 8), byte(acceptStatus), byte(acceptStatus >> 8)});
    }
    if (type == 0x0004) frame_.clear();
    if (frame_.empty() && type != 0x0004) return int(length);
    frame_.push_back(packet);
    if (type == 0x0002 && acceptStatus != 0) setSection(frame_[0][4], frame_[0][6], frame_);
    if (type == 0x0002) frame_.clear();
    return int(length);
}

int PresetDevice::read(unsigned char* data, std::size_t length, int) {
    if (readErrorDue_) {
        readErrorDue_ = false;
        return -1;
    }
    if (queue_.empty() && streaming_) queue_.push_back({1, 0, 0xFF});
    if (queue_.empty()) {
        ++idleReads;
        return 0;
    }
    const std::size_t n = std::min(length, queue_.front().size());
    std::memcpy(data, queue_.front().data(), n);
    queue_.pop_front();
    return int(n);
}

}  // namespace hidsim
