#include "hidsim/preset_device.h"

#include <algorithm>
#include <cstring>

namespace hidsim {
namespace {

unsigned le16(const unsigned char* p) { return p[0] | p[1] << 8; }

Record record(unsigned type, unsigned at2 = 0, unsigned at4 = 0, unsigned at6 = 0) {
    Record r{};
    const unsigned fields[] = {type, at2, at4, at6};
    for (std::size_t i = 0; i < 4; ++i) {
        r[2 * i] = static_cast<unsigned char>(fields[i]);
        r[2 * i + 1] = static_cast<unsigned char>(fields[i] >> 8);
    }
    return r;
}

}  // namespace

PresetDevice::PresetDevice(Shape shape)
    : slots_(shape == Shape::OneBank ? 256 : 64), twoBanks_(shape == Shape::TwoBanks) {
    for (int selector = 0; selector < 4; selector += twoBanks_ ? 1 : 2) {
        const int count = selector < 2 ? (twoBanks_ ? 150 : 20) : (twoBanks_ ? 148 : 23);
        for (int slot = 0; slot < slots_; ++slot) {
            std::vector<Record>& records = memory_[{selector, slot}];
            for (int i = 0; i + 1 < count; ++i) {
                Record r = record(i == 0 ? 0x0004 : 0x0001, unsigned(i), unsigned(selector),
                                  unsigned(slot));
                for (std::size_t k = 8; k < r.size(); ++k) r[k] = static_cast<unsigned char>(k * i);
                records.push_back(r);
            }
            records.push_back(record(0x0002));
        }
    }
}

const std::vector<Record>& PresetDevice::section(int selector, int slot) const {
    static const std::vector<Record> loneEnd{record(0x0002)};
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
    streaming_ = false;  // a device stops streaming when the host speaks again
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
    const bool acknowledges = type == 0x0002 || type == 0x0006 || type == 0x0021;
    if (!acknowledges || acceptStatus != 0) store(packet);  // a refused packet is not acted on
    if (acknowledges && ++acknowledged_ != dropAcknowledgement) {
        queue_.push_back(record(type, acceptStatus));
    }
    return int(length);
}

void PresetDevice::store(const Record& packet) {
    const unsigned type = le16(packet.data());
    if (type == 0x0004) frame_.clear();
    if (type != 0x0004 && frame_.empty()) return;
    frame_.push_back(packet);
    if (type != 0x0002) return;
    setSection(int(le16(&frame_[0][4])), int(le16(&frame_[0][6])), frame_);
    frame_.clear();
}

int PresetDevice::read(unsigned char* data, std::size_t length, int) {
    if (readErrorDue_) {
        readErrorDue_ = false;
        return -1;
    }
    if (queue_.empty() && streaming_) queue_.push_back(record(0x0001, 0xFFFF));
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
