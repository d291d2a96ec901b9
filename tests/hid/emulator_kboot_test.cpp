// The emulated KBOOT bootloader, driven through hidapi with hand-written reports. A fault here would
// let a flashing test pass against a device that does not behave like the real one.
#include <gtest/gtest.h>
#include <hidapi.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "hidsim/kboot_bootloader.h"

namespace hidsim {
namespace {

using Bytes = std::vector<unsigned char>;

// "01 00 0C 00 ..." as bytes, zero-padded to `size` (0: no padding).
Bytes hex(const char* text, std::size_t size = 36) {
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

constexpr std::uint16_t kVid = 0x1FC9;
constexpr std::uint16_t kPid = 0x0135;

const char* const kReset = "01 00 0C 00 0B 00 00 02";
const char* const kResetAnswer = "03 00 0C 00 A0 00 00 02 00 00 00 00 0B 00 00 00";

class KbootEmulatorTest : public ::testing::Test {
protected:
    void SetUp() override {
        detachAll();
        attach(kVid, kPid, boot);
        dev = hid_open(kVid, kPid, L"");
        ASSERT_NE(dev, nullptr);
    }
    void TearDown() override {
        hid_close(dev);
        detachAll();
    }
    // A new bootloader in place of the old one, opened afresh.
    void fresh() {
        hid_close(dev);
        detachAll();
        boot = std::make_shared<KbootBootloader>();
        attach(kVid, kPid, boot);
        dev = hid_open(kVid, kPid, L"");
        ASSERT_NE(dev, nullptr);
    }
    int send(const Bytes& report) { return hid_write(dev, report.data(), report.size()); }
    // The next input report; `result` gets hid_read_timeout's value.
    Bytes receive(int* result = nullptr) {
        Bytes buffer(64, 0xEE);
        const int n = hid_read_timeout(dev, buffer.data(), buffer.size(), 3000);
        if (result != nullptr) *result = n;
        buffer.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
        return buffer;
    }
    static std::uint32_t word(const Bytes& r, std::size_t at) {
        return r[at] | r[at + 1] << 8 | r[at + 2] << 16 | std::uint32_t(r[at + 3]) << 24;
    }
    // A data report carrying `count` bytes of a recognisable pattern from image offset `from`.
    static Bytes dataReport(std::size_t from, std::size_t count) {
        Bytes r(36, 0);
        r[0] = 2;
        r[2] = static_cast<unsigned char>(count);
        for (std::size_t i = 0; i < count; ++i) r[4 + i] = pattern(from + i);
        return r;
    }
    static unsigned char pattern(std::size_t i) { return static_cast<unsigned char>(i * 7 + 3); }

    std::shared_ptr<KbootBootloader> boot = std::make_shared<KbootBootloader>();
    hid_device* dev = nullptr;
};

TEST_F(KbootEmulatorTest, GetPropertyAnswersEachPropertyWithItsValue) {
    boot->silentProperties = {9};
    struct Case {
        const char* request;
        const char* answer;  // empty: the read times out
    };
    const Case cases[] = {
        {"01 00 0C 00 07 00 00 02 01 00 00 00 00 00 00 00",
         "03 00 0C 00 A7 00 00 02 00 00 00 00 00 01 02 4B"},  // version K2.1.0
        {"01 00 0C 00 07 00 00 02 03 00 00 00 00 00 00 00",
         "03 00 0C 00 A7 00 00 02 00 00 00 00 00 00 00 00"},  // flash start 0
        {"01 00 0C 00 07 00 00 02 04 00 00 00 00 00 00 00",
         "03 00 0C 00 A7 00 00 02 00 00 00 00 00 00 10 00"},  // flash size 1 MiB
        {"01 00 0C 00 07 00 00 02 05 00 00 00 00 00 00 00",
         "03 00 0C 00 A7 00 00 02 00 00 00 00 00 10 00 00"},  // sector size 4096
        {"01 00 0C 00 07 00 00 02 09 00 00 00 00 00 00 00", ""},  // a silent property
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        EXPECT_EQ(send(hex(c.request)), 36);
        int n = 0;
        const Bytes answer = receive(&n);
        if (*c.answer == '\0') {
            EXPECT_EQ(n, 0);
        } else {
            EXPECT_EQ(answer, hex(c.answer));
        }
    }
    // Property 2 is none of the four: a generic answer naming GetProperty with an error status.
    send(hex("01 00 0C 00 07 00 00 02 02 00 00 00 00 00 00 00"));
    const Bytes refused = receive();
    ASSERT_EQ(refused.size(), 36u);
    EXPECT_EQ(refused[4], 0xA0);
    EXPECT_NE(word(refused, 8), 0u);
    EXPECT_EQ(word(refused, 12), 7u);
    EXPECT_EQ(boot->commandTags, (std::vector<std::uint32_t>{7, 7, 7, 7, 7, 7}));
}

TEST_F(KbootEmulatorTest, EraseFillsExactlyTheRegionWithFF) {
    std::fill(boot->flash.begin(), boot->flash.end(), 0x00);
    EXPECT_EQ(send(hex("01 00 0C 00 02 00 00 02 00 00 00 00 00 00 04 00")), 36);
    EXPECT_EQ(receive(), hex("03 00 0C 00 A0 00 00 02 00 00 00 00 02 00 00 00"));
    EXPECT_EQ(boot->erases, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{{0, 262144}}));
    EXPECT_EQ(std::count(boot->flash.begin(), boot->flash.begin() + 262144, 0xFF), 262144);
    EXPECT_EQ(boot->flash[262144], 0x00);
}

TEST_F(KbootEmulatorTest, EraseOutsideTheFlashOrOffSectorsIsRefusedAndErasesNothing) {
    const char* const requests[] = {
        "01 00 0C 00 02 00 00 02 00 00 00 00 01 00 10 00",  // 0 + 0x100001: one byte too far
        "01 00 0C 00 02 00 00 02 00 F0 0F 00 00 20 00 00",  // 0xFF000 + 8192 ends past the flash
        "01 00 0C 00 02 00 00 02 00 00 00 00 01 10 00 00",  // 4097: not whole sectors
        "01 00 0C 00 02 00 00 02 00 08 00 00 00 10 00 00",  // starts mid-sector
    };
    for (const char* request : requests) {
        SCOPED_TRACE(request);
        std::fill(boot->flash.begin(), boot->flash.end(), 0x00);
        send(hex(request));
        const Bytes answer = receive();
        ASSERT_EQ(answer.size(), 36u);
        EXPECT_EQ(answer[4], 0xA0);
        EXPECT_NE(word(answer, 8), 0u);
        EXPECT_EQ(word(answer, 12), 2u);
        EXPECT_EQ(std::count(boot->flash.begin(), boot->flash.end(), 0xFF), 0);
    }
}

TEST_F(KbootEmulatorTest, WriteMemoryTakesItsDataPhaseThenAnswersOnce) {
    EXPECT_EQ(send(hex("01 00 0C 00 04 01 00 02 00 00 00 00 01 10 00 00")), 36);
    EXPECT_EQ(receive(), hex("03 00 0C 00 A0 00 00 02 00 00 00 00 04 00 00 00"));
    for (std::size_t at = 0; at < 4096; at += 32) {
        ASSERT_EQ(send(dataReport(at, 32)), 36);
        int n = -1;
        receive(&n);
        ASSERT_EQ(n, 0) << "no answer inside the data phase, at " << at;
    }
    const Bytes last = dataReport(4096, 1);
    EXPECT_EQ(Bytes(last.begin(), last.begin() + 4), hex("02 00 01 00", 0));
    EXPECT_EQ(send(last), 36);
    EXPECT_EQ(receive(), hex("03 00 0C 00 A0 00 00 02 00 00 00 00 04 00 00 00"));

    for (std::size_t i = 0; i < 4097; ++i) ASSERT_EQ(boot->flash[i], pattern(i)) << i;
    EXPECT_EQ(boot->flash[4097], 0xFF);
    EXPECT_EQ(boot->dataBytesReceived, 4097u);
    EXPECT_EQ(boot->dataReports, 129);
    EXPECT_EQ(boot->strayDataReports, 0);
}

TEST_F(KbootEmulatorTest, DataPhaseOutcomes) {
    struct Case {
        const char* name;
        const char* command;
        std::vector<Bytes> data;
        bool firstOk;
        bool finalExpected;
        bool finalOk;
        std::uint32_t bytesLanded;
    };
    const Case cases[] = {
        {"nothing to write: the final answer follows at once",
         "01 00 0C 00 04 01 00 02 00 00 00 00 00 00 00 00", {}, true, true, true, 0},
        {"an empty data report ends the phase short",
         "01 00 0C 00 04 01 00 02 00 00 00 00 40 00 00 00",
         {dataReport(0, 32), hex("02 00 00 00")}, true, true, false, 32},
        {"more bytes than announced",
         "01 00 0C 00 04 01 00 02 00 00 00 00 10 00 00 00",
         {dataReport(0, 32)}, true, true, false, 16},
        {"past the end of the flash: refused before any data",
         "01 00 0C 00 04 01 00 02 F0 FF 0F 00 20 00 00 00",
         {dataReport(0, 32)}, false, false, false, 0},
        {"without the data-phase flag",
         "01 00 0C 00 04 00 00 02 00 00 00 00 20 00 00 00",
         {dataReport(0, 32)}, false, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        send(hex(c.command));
        const Bytes first = receive();
        ASSERT_EQ(first.size(), 36u);
        EXPECT_EQ(first[4], 0xA0);
        EXPECT_EQ(word(first, 12), 4u);
        EXPECT_EQ(word(first, 8) == 0, c.firstOk);
        for (const Bytes& d : c.data) EXPECT_EQ(send(d), 36);
        int n = 0;
        const Bytes final = receive(&n);
        if (c.finalExpected) {
            ASSERT_EQ(n, 36);
            EXPECT_EQ(word(final, 12), 4u);
            EXPECT_EQ(word(final, 8) == 0, c.finalOk);
        } else {
            EXPECT_EQ(n, 0);
        }
        EXPECT_EQ(boot->dataBytesReceived, c.bytesLanded);
        EXPECT_EQ(boot->flash[0], c.bytesLanded > 0 ? pattern(0) : 0xFF);
    }
}

TEST_F(KbootEmulatorTest, DataLandOnlyAsNorFlashAllowsOverUnerasedBytes) {
    std::fill(boot->flash.begin(), boot->flash.end(), 0x0F);
    send(hex("01 00 0C 00 04 01 00 02 00 00 00 00 01 00 00 00"));
    receive();
    send(hex("02 00 01 00 F3"));
    receive();
    EXPECT_EQ(boot->flash[0], 0x03);
}

TEST_F(KbootEmulatorTest, MalformedReportsAreRefusedButRecorded) {
    const Bytes refused[] = {
        hex("02 00 21 00", 37),  // length field 33: more than a report carries
        hex("02 00 20 00", 24),  // length 32 but only 20 payload bytes
        hex("05 00 0C 00"),      // no such report id
        hex("01 00", 0),         // shorter than the header
    };
    for (const Bytes& r : refused) EXPECT_EQ(send(r), -1);
    EXPECT_EQ(boot->reports.size(), 4u);
    EXPECT_TRUE(boot->commandTags.empty());
    EXPECT_EQ(boot->dataReports, 0);
    // A data report only as long as its payload is whole, and outside a phase it is ignored.
    EXPECT_EQ(send(hex("02 00 08 00 01 02 03 04 05 06 07 08", 0)), 12);
    EXPECT_EQ(boot->strayDataReports, 1);
    EXPECT_EQ(boot->flash[0], 0xFF);
}

TEST_F(KbootEmulatorTest, EachFaultShapesTheTargetedAnswerOnly) {
    using F = KbootBootloader::Fault;
    struct Case {
        F fault;
        int result;           // of the read
        const char* answer;   // the bytes read, when result > 0
    };
    const Case cases[] = {
        {F::None, 36, kResetAnswer},
        {F::NoAnswer, 0, ""},
        {F::WrongReportId, 36, "04 00 0C 00 A0 00 00 02 00 00 00 00 0B 00 00 00"},
        {F::NotGeneric, 36, "03 00 0C 00 A7 00 00 02 00 00 00 00 0B 00 00 00"},
        {F::WrongEchoedTag, 36, "03 00 0C 00 A0 00 00 02 00 00 00 00 0C 00 00 00"},
        {F::ErrorStatus, 36, "03 00 0C 00 A0 00 00 02 10 27 00 00 0B 00 00 00"},
        {F::LengthPastReport, 12, "03 00 20 00 A0 00 00 02 00 00 00 00"},
        {F::ReadError, -1, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        fresh();
        boot->failCommand(11, c.fault, 2);
        send(hex(kReset));
        EXPECT_EQ(receive(), hex(kResetAnswer)) << "the first Reset is not the targeted one";
        send(hex(kReset));
        int n = 0;
        const Bytes answer = receive(&n);
        EXPECT_EQ(n, c.result);
        if (c.result > 0) {
            EXPECT_EQ(answer, hex(c.answer, static_cast<std::size_t>(c.result)));
        }
        send(hex(kReset));
        EXPECT_EQ(receive(), hex(kResetAnswer)) << "the third Reset is not the targeted one";
        EXPECT_EQ(boot->reads, 3);
    }
}

TEST_F(KbootEmulatorTest, FinalResponseFaultLeavesTheFirstAnswerAlone) {
    boot->failCommand(4, KbootBootloader::Fault::ErrorStatus, 1, true);
    send(hex("01 00 0C 00 04 01 00 02 00 00 00 00 01 00 00 00"));
    EXPECT_EQ(receive(), hex("03 00 0C 00 A0 00 00 02 00 00 00 00 04 00 00 00"));
    send(hex("02 00 01 00 AA"));
    EXPECT_EQ(receive(), hex("03 00 0C 00 A0 00 00 02 10 27 00 00 04 00 00 00"));
}

TEST_F(KbootEmulatorTest, EmptyReportsPrecedeTheAnswer) {
    boot->emptyReportsBefore(11, 3);
    send(hex(kReset));
    for (int i = 0; i < 3; ++i) EXPECT_EQ(receive(), hex("03 00 00 00")) << i;
    EXPECT_EQ(receive(), hex(kResetAnswer));
    EXPECT_TRUE(boot->resetDone);
}

TEST_F(KbootEmulatorTest, RefusedDataReportDoesNotLand) {
    boot->refuseDataReport(2);
    send(hex("01 00 0C 00 04 01 00 02 00 00 00 00 60 00 00 00"));
    receive();
    EXPECT_EQ(send(dataReport(0, 32)), 36);
    EXPECT_EQ(send(dataReport(32, 32)), -1);
    EXPECT_EQ(send(dataReport(64, 32)), 36);
    EXPECT_EQ(boot->dataBytesReceived, 64u);
    EXPECT_EQ(boot->flash[32], pattern(64)) << "the third report lands where the second would have";
}

TEST_F(KbootEmulatorTest, ReopeningDropsAnswersOfTheLastConversation) {
    send(hex(kReset));
    hid_close(dev);
    dev = hid_open(kVid, kPid, L"");
    int n = -1;
    receive(&n);
    EXPECT_EQ(n, 0);
}

}  // namespace
}  // namespace hidsim
