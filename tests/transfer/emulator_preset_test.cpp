// The emulated device in normal operation, driven through hidapi with hand-written packets. A fault
// here would make download and upload tests agree with a device that answers nothing like the real
// one (wrong file sizes, unframed answers, acknowledgements of the wrong types).
#include <gtest/gtest.h>

#include <algorithm>
#include <hidapi.h>

#include <cstdio>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <vector>

#include "hidsim/preset_device.h"

namespace hidsim {
namespace {

using Bytes = std::vector<unsigned char>;

// "00 03 00 ..." as bytes, zero-padded to `size`: by default one output report (id 0 + packet).
Bytes hex(const char* text, std::size_t size = 65) {
    Bytes out;
    unsigned value = 0;
    int used = 0;
    while (std::sscanf(text, " %2x%n", &value, &used) == 1) {
        out.push_back(static_cast<unsigned char>(value));
        text += used;
    }
    if (out.size() < size) out.resize(size, 0);
    return out;
}

// A record as one output report.
Bytes report(const Record& r) {
    Bytes out(1 + r.size(), 0);  // report id 0, then the record
    std::copy(r.begin(), r.end(), out.begin() + 1);
    return out;
}

unsigned le16(const unsigned char* p) { return p[0] | p[1] << 8; }

constexpr std::uint16_t kVid = 0x16D0;
constexpr std::uint16_t kPid = 0x0DAF;
const char* const kEndRecord = "00 02 00";

class PresetEmulatorTest : public ::testing::Test {
protected:
    void TearDown() override {
        hid_close(dev);
        detachAll();
    }
    void use(PresetDevice::Shape shape) {
        hid_close(dev);
        detachAll();
        device = std::make_shared<PresetDevice>(shape);
        attach(kVid, kPid, device);
        dev = hid_open(kVid, kPid, L"");
        ASSERT_NE(dev, nullptr);
    }
    int send(const Bytes& r) { return hid_write(dev, r.data(), r.size()); }
    int request(unsigned selector, unsigned slot) {
        Bytes r = hex("00 03 00");
        r[3] = static_cast<unsigned char>(selector);
        r[5] = static_cast<unsigned char>(slot);
        r[6] = static_cast<unsigned char>(slot >> 8);
        return send(r);
    }
    // Reads until the device has nothing more (a read of 0); stops at an error too.
    std::vector<Bytes> drain(int* lastResult = nullptr) {
        std::vector<Bytes> out;
        for (;;) {
            Bytes buffer(64, 0xEE);
            const int n = hid_read_timeout(dev, buffer.data(), buffer.size(), 1000);
            if (lastResult != nullptr) *lastResult = n;
            if (n <= 0) return out;
            buffer.resize(static_cast<std::size_t>(n));
            out.push_back(buffer);
        }
    }
    // The status of the one acknowledgement waiting, or -1 when none is.
    int acknowledgement() {
        const std::vector<Bytes> answers = drain();
        if (answers.empty()) return -1;
        EXPECT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].size(), 64u);
        return static_cast<int>(le16(&answers[0][2]));
    }

    std::shared_ptr<PresetDevice> device;
    hid_device* dev = nullptr;
};

TEST_F(PresetEmulatorTest, ShapesAnswerFramedSectionsThatAddUpToTheFileSizes) {
    struct Case {
        PresetDevice::Shape shape;
        unsigned slots;
        std::vector<unsigned> sections;
        std::size_t fileBytes;
    };
    const Case cases[] = {
        {PresetDevice::Shape::OneBank, 256, {0, 2}, 704640},
        {PresetDevice::Shape::TwoBanks, 64, {0, 2}, 1220736},
        {PresetDevice::Shape::TwoBanks, 64, {1, 3}, 1220736},
    };
    for (const Case& c : cases) {
        use(c.shape);
        ASSERT_EQ(device->slots(), static_cast<int>(c.slots));
        std::size_t records = 2;  // the two setPcConnection records of a saved file
        for (unsigned slot = 0; slot < c.slots; ++slot) {
            for (unsigned selector : c.sections) {
                SCOPED_TRACE(testing::Message() << "section " << selector << " slot " << slot);
                ASSERT_EQ(request(selector, slot), 65);
                const std::vector<Bytes> answer = drain();
                ASSERT_GE(answer.size(), 2u);
                records += answer.size();
                EXPECT_EQ(le16(&answer.front()[0]), 0x0004u);
                EXPECT_EQ(le16(&answer.front()[4]), selector);
                EXPECT_EQ(le16(&answer.front()[6]), slot);
                for (std::size_t i = 1; i + 1 < answer.size(); ++i)
                    ASSERT_EQ(le16(&answer[i][0]), 0x0001u) << i;
                EXPECT_EQ(answer.back(), hex("02 00", 64));
                const std::vector<Record>& held = device->section(int(selector), int(slot));
                ASSERT_EQ(held.size(), answer.size());
                for (std::size_t i = 0; i < held.size(); ++i)
                    ASSERT_EQ(Bytes(held[i].begin(), held[i].end()), answer[i]) << i;
            }
        }
        EXPECT_EQ(records * 64, c.fileBytes);
        EXPECT_EQ(device->requests, static_cast<int>(c.slots * 2));
    }
}

TEST_F(PresetEmulatorTest, ContentDiffersPerSlotSectionAndBank) {
    for (PresetDevice::Shape shape : {PresetDevice::Shape::OneBank, PresetDevice::Shape::TwoBanks}) {
        use(shape);
        std::set<Record> seen;
        std::size_t total = 0;
        for (int selector = 0; selector < 4; ++selector) {
            for (int slot = 0; slot < device->slots(); ++slot) {
                const std::vector<Record>& held = device->section(selector, slot);
                for (std::size_t i = 0; i + 1 < held.size(); ++i) {
                    seen.insert(held[i]);
                    ++total;
                }
            }
        }
        EXPECT_EQ(seen.size(), total) << "every record but the EndRecords is distinct";
        // Two banks hold different presets, not the same ones under other selectors.
        if (shape == PresetDevice::Shape::TwoBanks) {
            EXPECT_NE(device->content(0, 7), device->content(1, 7));
        }
    }
}

TEST_F(PresetEmulatorTest, RequestsForMissingSectionsGetALoneEndRecord) {
    struct Case {
        PresetDevice::Shape shape;
        const char* request;
    };
    const Case cases[] = {
        {PresetDevice::Shape::OneBank, "00 03 00 01 00 00 00"},   // bank B of a one-bank device
        {PresetDevice::Shape::OneBank, "00 03 00 03 00 05 00"},
        {PresetDevice::Shape::OneBank, "00 03 00 00 00 00 01"},   // slot 256
        {PresetDevice::Shape::TwoBanks, "00 03 00 02 00 40 00"},  // slot 64
        {PresetDevice::Shape::TwoBanks, "00 03 00 04 00 00 00"},  // selector 4
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        use(c.shape);
        ASSERT_EQ(send(hex(c.request)), 65);
        EXPECT_EQ(drain(), std::vector<Bytes>{hex("02 00", 64)});
    }
}

TEST_F(PresetEmulatorTest, AcknowledgesExactlyTheThreeAcknowledgedTypes) {
    struct Case {
        const char* packet;
        bool acknowledged;
    };
    const Case cases[] = {
        {"00 01 00 04 00 00 00", false},  // DataRecord
        {"00 02 00", true},               // EndRecord
        {"00 04 00 00 00 00 00", false},  // SectionRecord
        {"00 05 00", false},
        {"00 06 00 11 22", true},
        {"00 21 00 01 00", true},  // setPcConnection
        {"00 21 01", false},       // 0x0121: only the low byte matches
        {"00 00 21", false},       // 0x2100: the bytes the other way round
    };
    use(PresetDevice::Shape::OneBank);
    int acknowledged = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.packet);
        ASSERT_EQ(send(hex(c.packet)), 65);
        EXPECT_EQ(acknowledgement(), c.acknowledged ? 1 : -1);
        acknowledged += c.acknowledged;
    }
    EXPECT_EQ(device->acknowledgements, acknowledged);
    EXPECT_EQ(device->received.size(), std::size(cases));
}

TEST_F(PresetEmulatorTest, SetPcConnectionSwitchesTheMode) {
    use(PresetDevice::Shape::OneBank);
    send(hex("00 21 00 01 00"));
    EXPECT_TRUE(device->pcConnection);
    send(hex("00 21 00 00 00"));
    EXPECT_FALSE(device->pcConnection);
    EXPECT_EQ(device->pcConnectionChanges, (std::vector<int>{1, 0}));
}

TEST_F(PresetEmulatorTest, ReplayedSectionsAreStoredUnderTheirOwnSelector) {
    use(PresetDevice::Shape::TwoBanks);
    std::vector<Record> bankA = device->section(0, 5);
    const std::vector<Record> before = device->section(1, 5);
    bankA[0][4] = 1;  // as a bank-A file loaded into bank B goes out
    send(hex("00 01 00 AA"));  // a record before any SectionRecord: kept in `received` only
    for (const Record& r : bankA) ASSERT_EQ(send(report(r)), 65);
    EXPECT_EQ(device->section(1, 5), bankA);
    EXPECT_EQ(device->content(1, 5), device->content(0, 5));
    EXPECT_NE(device->section(1, 5), before);
    EXPECT_EQ(device->received.size(), bankA.size() + 1);
    // A frame for a section the device does not have changes nothing.
    std::vector<Record> stray = bankA;
    stray[0][6] = 64;  // slot 64
    for (const Record& r : stray) send(report(r));
    EXPECT_EQ(device->section(1, 5), bankA);
}

TEST_F(PresetEmulatorTest, AcknowledgementFaultsHitTheCountedPacket) {
    struct Case {
        const char* name;
        std::function<void(PresetDevice&)> fault;
        std::vector<int> statuses;  // of three EndRecords in a row; -1: no acknowledgement
    };
    const Case cases[] = {
        {"none", [](PresetDevice&) {}, {1, 1, 1}},
        {"refuse the second", [](PresetDevice& d) { d.refuseRecord(2); }, {1, 0, 1}},
        {"drop the second", [](PresetDevice& d) { d.dropAcknowledgement(2); }, {1, -1, 1}},
        {"refuse every one", [](PresetDevice& d) { d.refuseEveryRecord(); }, {0, 0, 0}},
        {"silent", [](PresetDevice& d) { d.silence(); }, {-1, -1, -1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        use(PresetDevice::Shape::OneBank);
        c.fault(*device);
        std::vector<int> statuses;
        for (int i = 0; i < 3; ++i) {
            send(hex(kEndRecord));
            statuses.push_back(acknowledgement());
        }
        EXPECT_EQ(statuses, c.statuses);
    }
}

TEST_F(PresetEmulatorTest, RefusedPacketsAreNotActedOn) {
    use(PresetDevice::Shape::TwoBanks);
    device->refuseRecord(2);  // the EndRecord closing the frame below
    const std::vector<Record> before = device->section(3, 0);
    send(hex("00 21 00 01 00"));
    std::vector<Record> frame = device->section(1, 0);
    frame[0][4] = 3;
    for (const Record& r : frame) send(report(r));
    EXPECT_EQ(device->section(3, 0), before);
    EXPECT_TRUE(device->pcConnection);
}

TEST_F(PresetEmulatorTest, RefusedWriteIsRecordedButNotTaken) {
    use(PresetDevice::Shape::OneBank);
    device->refuseWrite(2);
    EXPECT_EQ(send(hex("00 21 00 01 00")), 65);
    EXPECT_EQ(acknowledgement(), 1);
    EXPECT_EQ(send(hex("00 21 00 00 00")), -1);
    EXPECT_EQ(acknowledgement(), -1);
    EXPECT_TRUE(device->pcConnection);
    EXPECT_EQ(request(0, 0), 65);
    EXPECT_EQ(drain().size(), 20u);
    EXPECT_EQ(device->written.size(), 3u);
    EXPECT_EQ(device->received.size(), 1u);
    // Not an output report of this device: refused whatever the count.
    EXPECT_EQ(send(hex("01 21 00 01 00")), -1);
    EXPECT_EQ(send(hex("00 21 00 01 00", 66)), -1);
}

TEST_F(PresetEmulatorTest, ReadErrorStrikesTheFirstReadAfterTheCountedRequest) {
    use(PresetDevice::Shape::OneBank);
    device->readErrorOnRequest(2);
    int last = 0;
    request(0, 0);
    EXPECT_EQ(drain(&last).size(), 20u);
    EXPECT_EQ(last, 0);
    request(2, 0);
    EXPECT_TRUE(drain(&last).empty());
    EXPECT_EQ(last, -1);
    EXPECT_EQ(drain(&last).size(), 23u) << "the answer itself is still queued";
    EXPECT_EQ(last, 0);
}

TEST_F(PresetEmulatorTest, ShortReportsShortenAnswersButNotAcknowledgements) {
    use(PresetDevice::Shape::OneBank);
    device->shortReports(20);
    request(2, 9);
    const std::vector<Bytes> answer = drain();
    ASSERT_EQ(answer.size(), 23u);
    for (const Bytes& r : answer) EXPECT_EQ(r.size(), 20u);
    send(hex(kEndRecord));
    EXPECT_EQ(acknowledgement(), 1);
}

TEST_F(PresetEmulatorTest, SilentDeviceAnswersNoRequest) {
    use(PresetDevice::Shape::TwoBanks);
    device->silence();
    EXPECT_EQ(request(0, 0), 65);
    int last = -1;
    EXPECT_TRUE(drain(&last).empty());
    EXPECT_EQ(last, 0);
    EXPECT_EQ(device->requests, 1);
}

}  // namespace
}  // namespace hidsim
