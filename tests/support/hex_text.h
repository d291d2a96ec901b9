// Intel HEX text for tests and benchmarks (header-only, so benchmarks can use it).
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "support/scratch_folder.h"  // the files those tests write it to

namespace zt::test {

// One record line, upper-case digits, checksum computed, line feed included.
inline std::string hexRecord(std::uint8_t type, std::uint16_t address,
                             const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> fields{std::uint8_t(data.size()), std::uint8_t(address >> 8),
                                     std::uint8_t(address), type};
    fields.insert(fields.end(), data.begin(), data.end());
    std::uint8_t checksum = 0;
    for (std::uint8_t b : fields) checksum -= b;
    fields.push_back(checksum);
    std::string line = ":";
    for (std::uint8_t b : fields) line += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
    return line + "\n";
}

struct HexChunk {  // a run of bytes at an absolute address
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

// Data records of up to 16 bytes in 64 KiB pages, a linear base record before each new page, then
// the end-of-file record.
inline std::string hexFile(const std::vector<HexChunk>& chunks) {
    std::string text;
    std::uint32_t page = 0;
    for (const HexChunk& chunk : chunks) {
        for (std::size_t at = 0, take = 0; at < chunk.bytes.size(); at += take) {
            const std::uint32_t address = chunk.address + std::uint32_t(at);
            if (address >> 16 != page) {
                page = address >> 16;
                text += hexRecord(4, 0, {std::uint8_t(page >> 8), std::uint8_t(page)});
            }
            const std::size_t pageLeft = 0x10000 - address % 0x10000;
            take = std::min<std::size_t>({16, chunk.bytes.size() - at, pageLeft});
            const auto from = chunk.bytes.begin() + std::ptrdiff_t(at);
            text += hexRecord(0, std::uint16_t(address), {from, from + std::ptrdiff_t(take)});
        }
    }
    return text + ":00000001FF\n";
}

// `count` bytes of a recognisable pattern, never 0xFF, so a lost byte shows against blank flash.
inline std::vector<std::uint8_t> patternBytes(std::size_t count, unsigned seed = 1) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = std::uint8_t((x >> 16) % 0xFF);
    }
    return bytes;
}

}  // namespace zt::test
