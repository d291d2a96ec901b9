// The line reader under sources that hand out their bytes in awkward pieces: a CR LF pair split
// between two reads, or a long line split at its 1023rd character, must read exactly as when the
// whole text arrives at once.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "firmware/hex_stream.h"
#include "hex_test_files.h"

namespace zt {
namespace {

using test::dataRecord;
using test::kEndRecord;

// Hands out at most `piece` bytes per read; fails instead of reading past `failAt`.
class PieceSource final : public ByteSource {
public:
    PieceSource(const std::string& text, std::size_t piece, std::size_t failAt = SIZE_MAX)
        : text_(text), piece_(piece), failAt_(failAt) {}
    std::ptrdiff_t read(char* destination, std::size_t capacity) override {
        if (position_ >= failAt_) return -1;
        const std::size_t n =
            std::min({capacity, piece_, text_.size() - position_, failAt_ - position_});
        std::memcpy(destination, text_.data() + position_, n);
        position_ += n;
        return static_cast<std::ptrdiff_t>(n);
    }

private:
    const std::string& text_;
    std::size_t piece_;
    std::size_t failAt_;
    std::size_t position_ = 0;
};

std::string longLine(std::size_t length, const std::string& lineEnd) {
    std::string line = ":0100000055AA";
    line.resize(length, ' ');
    return line + lineEnd;
}

TEST(HexLinesTest, PiecesReadLikeTheWhole) {
    struct Case {
        const char* what;
        std::string text;
        std::int32_t result;
    };
    const Case cases[] = {
        {"CR LF records",
         ":020000000102FB\r\n" + std::string(":0100100003EC\r\n") + ":00000001FF\r\n", 3},
        {"the CR of CR LF is dropped", ":00000001\r\n", -2},
        {"of two CRs before a line feed one stays", ":00000001\r\r\n", 0},
        {"a lone CR stays part of the line", "\r" + kEndRecord, -2},
        {"a CR ending the data is kept", ":00000001F\r", 0},
        {"CR LF right after the 1022nd character", longLine(1022, "\r\n") + kEndRecord, 1},
        {"a CR as the 1023rd character ends the piece",
         longLine(1022, "\r") + "x\n" + kEndRecord, -2},
        {"a line feed alone after 1023 characters", longLine(1023, "\r\n") + kEndRecord, -2},
    };
    for (const Case& c : cases) {
        auto whole = test::makeImage();
        resetImage(*whole);
        MemorySource all(c.text.data(), c.text.size());
        const std::int32_t expected = readHexLines(*whole, all);
        SCOPED_TRACE(c.what);
        EXPECT_EQ(expected, c.result);
        for (std::size_t piece : {1, 2, 3, 1022, 1023, 1024}) {
            SCOPED_TRACE(piece);
            auto pieces = test::makeImage();
            resetImage(*pieces);
            PieceSource source(c.text, piece);
            EXPECT_EQ(readHexLines(*pieces, source), expected);
            EXPECT_EQ(pieces->bytes, whole->bytes);
            EXPECT_EQ(pieces->written, whole->written);
            EXPECT_EQ(pieces->byteCount, whole->byteCount);
        }
    }
}

TEST(HexLinesTest, ASourceThatFailsIsNotAShortFile) {
    const std::string text = dataRecord(0, {1}) + dataRecord(1, {2}) + kEndRecord;
    struct Case {
        const char* what;
        std::size_t failAt;
        std::int32_t result;
    };
    const Case cases[] = {
        {"fails at once", 0, -1},
        {"fails after the first record", dataRecord(0, {1}).size(), -1},
        {"fails inside a record", 5, -1},
        // Reading stops at the end record, so a failure after it is never met.
        {"fails after the end record", text.size(), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = test::makeImage();
        resetImage(*image);
        PieceSource source(text, 4, c.failAt);
        EXPECT_EQ(readHexLines(*image, source), c.result);
    }
}

}  // namespace
}  // namespace zt
