#include "hidsim/preset_device.h"

#include <algorithm>
#include <cstring>

namespace hidsim {
namespace {

// Output report, as written: [0] report id 0, [1..64] the packet.
// Packet, 64 bytes, 16-bit fields little-endian:
//   [0..1] type
//   ReadRequest      [2..3] section selector, [4..5] slot, rest 0
//   SectionRecord    [4..5] section selector (this device also keeps the slot at [6..7])
//   setPcConnection  [2..3] 1 on, 0 off
// Acknowledgement, 64 bytes in: [2..3] status, non-zero = accepted.
constexpr std::size_t kPacket = 64;
constexpr std::uint16_t kDataRecord = 0x0001;
constexpr std::uint16_t kEndRecord = 0x0002;
constexpr std::uint16_t kReadRequest = 0x0003;
constexpr std::uint16_t kSectionRecord = 0x0004;
constexpr std::uint16_t kOpaqueAcknowledged = 0x0006;
constexpr std::uint16_t kSetPcConnection = 0x0021;
constexpr std::uint16_t kAccepted = 0x0001;

// Records per slot in each section: first section, second section.
struct ShapeTable {
    int slots;
    int firstSection;
    int secondSection;
    int sectionCount;
};
constexpr ShapeTable kOneBank{256, 20, 23, 2};
constexpr ShapeTable kTwoBanks{64, 150, 148, 4};

const ShapeTable& table(PresetDevice::Shape shape) {
    return shape == PresetDevice::Shape::OneBank ? kOneBank : kTwoBanks;
}

std::uint16_t le16(const unsigned char* p) { return std::uint16_t(p[0] | p[1] << 8); }

void putLe16(unsigned char* p, unsigned v) {
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

Record typed(std::uint16_t type) {
    Record r{};
    putLe16(r.data(), type);
    return r;
}

// Pseudo-random fill from a seed, so every record is distinct and can be regenerated.
void fill(unsigned char* p, std::size_t n, std::uint64_t seed) {
    for (std::size_t i = 0; i < n; ++i) {
        seed += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = seed;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        p[i] = static_cast<unsigned char>(z ^ (z >> 31));
    }
}

std::vector<Record> makeSection(int selector, int slot, int records) {
    std::vector<Record> out;
    out.reserve(static_cast<std::size_t>(records));
    for (int i = 0; i + 1 < records; ++i) {
        Record r = typed(i == 0 ? kSectionRecord : kDataRecord);
        if (i != 0) putLe16(&r[2], static_cast<unsigned>(i));
        putLe16(&r[4], static_cast<unsigned>(selector));
        putLe16(&r[6], static_cast<unsigned>(slot));
        fill(&r[8], kPacket - 8, std::uint64_t(selector) << 40 | std::uint64_t(slot) << 20 |
                                     static_cast<std::uint64_t>(i));
        out.push_back(r);
    }
    out.push_back(typed(kEndRecord));
    return out;
}

}  // namespace

PresetDevice::PresetDevice(Shape shape) : shape_(shape) {
    const ShapeTable& t = table(shape);
    sections_.resize(static_cast<std::size_t>(4 * t.slots));
    for (int selector = 0; selector < 4; ++selector) {
        for (int slot = 0; slot < t.slots; ++slot) {
            if (!exists(selector, slot)) continue;
            const int records = selector < 2 ? t.firstSection : t.secondSection;
            sections_[static_cast<std::size_t>(selector * t.slots + slot)] =
                makeSection(selector, slot, records);
        }
    }
}

int PresetDevice::slots() const { return table(shape_).slots; }

bool PresetDevice::exists(int selector, int slot) const {
    const ShapeTable& t = table(shape_);
    if (selector < 0 || selector > 3 || slot < 0 || slot >= t.slots) return false;
    return t.sectionCount == 4 || selector % 2 == 0;
}

const std::vector<Record>& PresetDevice::section(int selector, int slot) const {
    static const std::vector<Record> loneEnd{typed(kEndRecord)};
    if (!exists(selector, slot)) return loneEnd;
    return sections_[static_cast<std::size_t>(selector * slots() + slot)];
}

std::vector<Record> PresetDevice::content(int selector, int slot) const {
    std::vector<Record> records = section(selector, slot);
    for (Record& r : records)
        if (le16(r.data()) == kSectionRecord) putLe16(&r[4], 0);
    return records;
}

bool PresetDevice::setSection(int selector, int slot, std::vector<Record> records) {
    if (!exists(selector, slot)) return false;
    sections_[static_cast<std::size_t>(selector * slots() + slot)] = std::move(records);
    return true;
}

void PresetDevice::opened() {
    queue_.clear();
    head_ = 0;
}

void PresetDevice::queue(const Record& record, int length) {
    if (!silent_) queue_.push_back({record, length, false});
}

int PresetDevice::write(const unsigned char* data, std::size_t length) {
    written.emplace_back(data, data + length);
    ++writes_;
    if (writes_ == refuseWrite_ || length == 0 || length > kPacket + 1 || data[0] != 0) return -1;

    Record packet{};
    std::memcpy(packet.data(), data + 1, length - 1);
    const std::uint16_t type = le16(packet.data());

    if (type == kReadRequest) {
        ++requests;
        if (requests == readErrorOn_) readErrorArmed_ = true;
        const int reportLength = shortReports_ > 0 ? shortReports_ : static_cast<int>(kPacket);
        for (const Record& r : section(le16(&packet[2]), le16(&packet[4]))) queue(r, reportLength);
        return static_cast<int>(length);
    }

    received.push_back(packet);
    if (type != kEndRecord && type != kOpaqueAcknowledged && type != kSetPcConnection) {
        store(packet);
        return static_cast<int>(length);
    }

    ++acked_;
    acknowledgements = acked_;
    const bool accepted = !refuseAll_ && acked_ != refuseRecord_;
    if (accepted) {
        if (type == kSetPcConnection) {
            pcConnection = le16(&packet[2]) != 0;
        }
        store(packet);
    } else if (type == kEndRecord) {
        openSelector_ = openSlot_ = -1;  // the refused end drops the section it would close
        openRecords_.clear();
    }
    if (type == kSetPcConnection) pcConnectionChanges.push_back(le16(&packet[2]));
    if (acked_ != dropAck_) {
        Record ack = typed(type);
        putLe16(&ack[2], accepted ? kAccepted : 0);
        queue(ack, static_cast<int>(kPacket));
    }
    return static_cast<int>(length);
}

void PresetDevice::store(const Record& packet) {
    const std::uint16_t type = le16(packet.data());
    if (type == kSectionRecord) {
        openSelector_ = le16(&packet[4]);
        openSlot_ = le16(&packet[6]);
        openRecords_.assign(1, packet);
        return;
    }
    if (openSelector_ < 0) return;  // outside a section frame: kept in `received` only
    openRecords_.push_back(packet);
    if (type == kEndRecord) {
        setSection(openSelector_, openSlot_, std::move(openRecords_));
        openRecords_.clear();
        openSelector_ = openSlot_ = -1;
    }
}

int PresetDevice::read(unsigned char* data, std::size_t length, int) {
    if (readErrorArmed_) {
        readErrorArmed_ = false;
        return -1;
    }
    if (head_ == queue_.size()) return 0;
    const Pending next = queue_[head_++];
    if (head_ == queue_.size()) {
        queue_.clear();
        head_ = 0;
    }
    if (next.readError) return -1;
    const std::size_t n = std::min(length, static_cast<std::size_t>(next.length));
    std::memcpy(data, next.bytes.data(), n);
    return static_cast<int>(n);
}

}  // namespace hidsim
