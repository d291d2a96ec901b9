#include "hidsim/preset_device.h"

#include <algorithm>
#include <cstring>

namespace hidsim {
namespace {

constexpr unsigned kDataRecord = 0x0001, kEndRecord = 0x0002, kReadRequest = 0x0003,
                   kSectionRecord = 0x0004, kOpaqueAcknowledged = 0x0006, kSetPcConnection = 0x0021;

unsigned le16(const unsigned char* p) { return p[0] | p[1] << 8; }

void putLe16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

Record typed(unsigned type) {
    Record r{};
    putLe16(r.data(), type);
    return r;
}

// Records 0..count-2 carry their index, selector, slot and pseudo-random bytes; an EndRecord last.
std::vector<Record> makeSection(int selector, int slot, int count) {
    std::vector<Record> out;
    for (int i = 0; i + 1 < count; ++i) {
        Record r = typed(i == 0 ? kSectionRecord : kDataRecord);
        putLe16(&r[2], static_cast<unsigned>(i));
        putLe16(&r[4], static_cast<unsigned>(selector));
        putLe16(&r[6], static_cast<unsigned>(slot));
        std::uint64_t seed = std::uint64_t(selector) << 40 | std::uint64_t(slot) << 20 | unsigned(i);
        for (std::size_t k = 8; k < r.size(); ++k) {
            std::uint64_t z = (seed += 0x9E3779B97F4A7C15ull);
            z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
            z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
            r[k] = static_cast<unsigned char>(z ^ (z >> 31));
        }
        out.push_back(r);
    }
    out.push_back(typed(kEndRecord));
    return out;
}

}  // namespace

PresetDevice::PresetDevice(Shape shape)
    : slots_(shape == Shape::OneBank ? 256 : 64), twoBanks_(shape == Shape::TwoBanks) {
    // Records per slot in the first and the second section.
    const int first = twoBanks_ ? 150 : 20, second = twoBanks_ ? 148 : 23;
    sections_.resize(static_cast<std::size_t>(4 * slots_));
    for (int selector = 0; selector < 4; ++selector)
        for (int slot = 0; slot < slots_; ++slot)
            if (exists(selector, slot))
                sections_[static_cast<std::size_t>(selector * slots_ + slot)] =
                    makeSection(selector, slot, selector < 2 ? first : second);
}

bool PresetDevice::exists(int selector, int slot) const {
    return selector >= 0 && selector < 4 && slot >= 0 && slot < slots_ &&
           (twoBanks_ || selector % 2 == 0);
}

const std::vector<Record>& PresetDevice::section(int selector, int slot) const {
    static const std::vector<Record> loneEnd{typed(kEndRecord)};
    return exists(selector, slot) ? sections_[static_cast<std::size_t>(selector * slots_ + slot)]
                                  : loneEnd;
}

bool PresetDevice::setSection(int selector, int slot, std::vector<Record> records) {
    if (!exists(selector, slot)) return false;
    sections_[static_cast<std::size_t>(selector * slots_ + slot)] = std::move(records);
    return true;
}

void PresetDevice::answer(const Record& record) {
    if (!silent_) queue_.push_back(record);
}

int PresetDevice::write(const unsigned char* data, std::size_t length) {
    if (onWrite) onWrite();
    written.emplace_back(data, data + length);
    const bool refused = static_cast<int>(written.size()) == refuseWrite_;
    if (refused || length == 0 || length > 65 || data[0] != 0) return -1;

    Record packet{};  // a shorter report is zero-extended
    std::memcpy(packet.data(), data + 1, length - 1);
    const unsigned type = le16(packet.data());
    if (type == kReadRequest) {
        if (++requests == readErrorOn_) readErrorArmed_ = true;
        for (const Record& r : section(le16(&packet[2]), le16(&packet[4]))) answer(r);
        return static_cast<int>(length);
    }
    received.push_back(packet);
    if (type != kEndRecord && type != kOpaqueAcknowledged && type != kSetPcConnection) {
        store(packet, true);
        return static_cast<int>(length);
    }
    if (type == kSetPcConnection) pcConnectionChanges.push_back(static_cast<int>(le16(&packet[2])));
    store(packet, !refuseAll_);  // a refused packet is not acted on
    if (++acked_ != dropAck_) {
        Record ack = typed(type);
        putLe16(&ack[2], refuseAll_ ? 0 : acceptStatus);
        answer(ack);
    }
    return static_cast<int>(length);
}

void PresetDevice::store(const Record& packet, bool accepted) {
    const unsigned type = le16(packet.data());
    if (type == kSectionRecord) {
        openSelector_ = static_cast<int>(le16(&packet[4]));
        openSlot_ = static_cast<int>(le16(&packet[6]));
        open_.assign(1, packet);
        return;
    }
    if (openSelector_ < 0) return;
    open_.push_back(packet);
    if (type != kEndRecord) return;
    if (accepted) setSection(openSelector_, openSlot_, std::move(open_));
    open_.clear();
    openSelector_ = openSlot_ = -1;
}

int PresetDevice::read(unsigned char* data, std::size_t length, int) {
    if (readErrorArmed_) {
        readErrorArmed_ = false;
        return -1;
    }
    if (queue_.empty()) return 0;
    const std::size_t n = std::min(length, queue_.front().size());
    std::memcpy(data, queue_.front().data(), n);
    queue_.pop_front();
    return static_cast<int>(n);
}

}  // namespace hidsim
