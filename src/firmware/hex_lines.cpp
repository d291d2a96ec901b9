// Splitting raw bytes into the lines the record parser sees, exactly as a 1024-byte line buffer
// over a text-mode stream would: the CR of a CR LF pair is gone before lines are cut (so it does
// not count toward the 1023 characters), even when the pair straddles two reads or a line's
// 1023rd character, and a file reads the same on every platform.
//
// Most lines lie whole inside one block read from the source and are handed on where they are;
// only a line that straddles two blocks is put together in a buffer of its own.
#include <algorithm>
#include <cstring>

#include "firmware/hex_stream.h"

namespace zt {

namespace {

constexpr std::size_t kLineMax = 1023;  // characters per line, as a 1024-byte buffer takes them
constexpr std::size_t kChunk = 32768;

// The length up to the first NUL, as the text would measure when NUL-terminated.
std::size_t cutAtNul(const char* text, std::size_t length) {
    const void* nul = std::memchr(text, '\0', length);
    return nul != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nul) - text) : length;
}

class LineReader {
public:
    explicit LineReader(ByteSource& source) : source_(source) {}

    // Finds the next line: `text` points at it (inside the reader, valid until the next call)
    // and `length` is its length up to its first NUL. False when nothing more could be read
    // (see failed()).
    bool next(const char*& text, std::size_t& length);
    bool failed() const { return failed_; }

private:
    bool refill();
    bool assemble(std::size_t& length);

    ByteSource& source_;
    char chunk_[kChunk];
    std::size_t position_ = 0;
    std::size_t end_ = 0;
    bool chunkHasNul_ = false;
    bool exhausted_ = false;
    bool failed_ = false;
    char line_[kLineMax + 1];
};

bool LineReader::refill() {
    if (exhausted_) return false;
    position_ = end_ = 0;
    const std::ptrdiff_t got = source_.read(chunk_, kChunk);
    if (got <= 0) {
        failed_ = got < 0;
        exhausted_ = true;
        return false;
    }
    end_ = static_cast<std::size_t>(got);
    chunkHasNul_ = std::memchr(chunk_, '\0', end_) != nullptr;
    return true;
}

bool LineReader::next(const char*& text, std::size_t& length) {
    if (position_ == end_ && !refill()) return false;

    char* from = chunk_ + position_;
    const std::size_t available = end_ - position_;
    // One character more than a line holds: a CR LF pair right after 1022 characters still fits.
    const std::size_t window = std::min(available, kLineMax + 1);
    const char* feed = static_cast<const char*>(std::memchr(from, '\n', window));
    if (feed != nullptr || window > kLineMax) {
        std::size_t taken = kLineMax;  // no line feed in reach: the first 1023 characters
        length = kLineMax;
        if (feed != nullptr) {
            const std::size_t at = static_cast<std::size_t>(feed - from);
            if (at > 0 && from[at - 1] == '\r') {
                // The splice: the pair becomes a line feed where the CR stood, in our own block,
                // so the line is handed on in place one character shorter; the LF after it is
                // consumed with it (taken = at + 1) and never read again.
                from[at - 1] = '\n';
                taken = at + 1;
                length = at;
            } else if (at < kLineMax) {
                taken = length = at + 1;
            }
        }
        position_ += taken;
        text = from;
        if (chunkHasNul_) length = cutAtNul(text, length);
        return true;
    }
    text = line_;
    if (!assemble(length)) return false;
    length = cutAtNul(line_, length);
    return true;
}

// The slow way, for a line that runs past the end of the block: byte runs are gathered into the
// line buffer across refills, keeping a CR at the end of a run until the byte after it is known.
bool LineReader::assemble(std::size_t& length) {
    length = 0;
    for (;;) {
        if (position_ == end_ && !refill()) break;
        const char* from = chunk_ + position_;
        if (length == kLineMax) {
            // Full, and its last character is a CR: a line feed after it takes its place.
            if (from[0] == '\n') {
                line_[kLineMax - 1] = '\n';
                ++position_;
            }
            break;
        }
        const std::size_t room = kLineMax - length;
        // As in next(): one past the room, so a pair whose LF lands there still ends this line.
        // (A narrower window only moves a line feed that fits onto the copy below, which ends
        // the line the same way.)
        const std::size_t window = std::min(end_ - position_, room + 1);
        const char* feed = static_cast<const char*>(std::memchr(from, '\n', window));
        if (feed != nullptr) {
            const std::size_t at = static_cast<std::size_t>(feed - from);
            const bool pair = at > 0 ? from[at - 1] == '\r' : length > 0 && line_[length - 1] == '\r';
            if (pair || at < room) {
                std::memcpy(line_ + length, from, at + 1);
                length += at + 1;
                position_ += at + 1;
                if (pair) line_[--length - 1] = '\n';
                break;
            }
        }
        const std::size_t taken = std::min(end_ - position_, room);
        std::memcpy(line_ + length, from, taken);
        length += taken;
        position_ += taken;
        if (length == kLineMax && line_[kLineMax - 1] != '\r') break;
    }
    return length > 0 && !failed_;
}

}  // namespace

std::ptrdiff_t MemorySource::read(char* destination, std::size_t capacity) {
    const std::size_t n = std::min({capacity, piece_, size_ - position_});
    if (n > 0) std::memcpy(destination, data_ + position_, n);
    position_ += n;
    return static_cast<std::ptrdiff_t>(n);
}

void resetImage(FirmwareImage& image) {
    image.bytes.fill(0xFF);
    image.written.fill(0);
    image.baseAddress = 0;
    image.byteCount = 0;
    image.endReached = 0;
}

std::int32_t readHexLines(FirmwareImage& image, ByteSource& source) {
    LineReader reader(source);
    const char* line = nullptr;
    std::size_t length = 0;
    while (reader.next(line, length)) {
        // A line read as text can begin with a NUL byte; it holds nothing to parse.
        if (length > 0 && !parseHexLine(image, line, length)) return -2;
        if (image.endReached != 0) break;
    }
    if (reader.failed()) return -1;
    return image.byteCount;
}

}  // namespace zt
