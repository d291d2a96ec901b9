// Intel HEX text for tests and benchmarks: records with correct checksums, whole files from
// address ranges, and a scratch folder for files on disk. Header-only so benchmarks can use it.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace zt::test {

// One record line, line feed included.
inline std::string hexRecord(std::uint8_t type, std::uint16_t address,
                             const std::vector<std::uint8_t>& data) {
    std::string line = ":";
    char field[16];
    unsigned sum = static_cast<unsigned>(data.size()) + (address >> 8) + (address & 0xFF) + type;
    std::snprintf(field, sizeof field, "%02X%04X%02X", static_cast<unsigned>(data.size()),
                  static_cast<unsigned>(address), static_cast<unsigned>(type));
    line += field;
    for (std::uint8_t b : data) {
        std::snprintf(field, sizeof field, "%02X", static_cast<unsigned>(b));
        line += field;
        sum += b;
    }
    std::snprintf(field, sizeof field, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    return line + field;
}

// A run of bytes at an absolute address.
struct HexChunk {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

// A whole file: 16-byte data records (extended linear address records where the upper half of
// the address changes), then the end-of-file record.
inline std::string hexFile(const std::vector<HexChunk>& chunks) {
    std::string text;
    std::uint32_t upper = 0;
    for (const HexChunk& chunk : chunks) {
        for (std::size_t at = 0; at < chunk.bytes.size(); at += 16) {
            const std::uint32_t address = chunk.address + static_cast<std::uint32_t>(at);
            if ((address >> 16) != upper) {
                upper = address >> 16;
                text += hexRecord(4, 0,
                                  {static_cast<std::uint8_t>(upper >> 8),
                                   static_cast<std::uint8_t>(upper)});
            }
            const std::size_t n = std::min<std::size_t>(16, chunk.bytes.size() - at);
            // A record never crosses a 64 KiB boundary: its address field has 16 bits.
            const std::size_t toBoundary = 0x10000 - (address & 0xFFFF);
            const std::size_t take = std::min(n, toBoundary);
            text += hexRecord(0, static_cast<std::uint16_t>(address),
                              std::vector<std::uint8_t>(chunk.bytes.begin() + at,
                                                        chunk.bytes.begin() + at + take));
            if (take < n) {
                upper = (address + take) >> 16;
                text += hexRecord(4, 0,
                                  {static_cast<std::uint8_t>(upper >> 8),
                                   static_cast<std::uint8_t>(upper)});
                text += hexRecord(0, 0,
                                  std::vector<std::uint8_t>(chunk.bytes.begin() + at + take,
                                                            chunk.bytes.begin() + at + n));
            }
        }
    }
    return text + ":00000001FF\n";
}

// `count` bytes of a recognisable pattern (no long runs of 0xFF, so a lost byte shows).
inline std::vector<std::uint8_t> patternBytes(std::size_t count, unsigned seed = 1) {
    std::vector<std::uint8_t> bytes(count);
    std::uint32_t x = seed * 2654435761u + 1;
    for (auto& b : bytes) {
        x = x * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>((x >> 16) % 0xFF);  // never 0xFF
    }
    return bytes;
}

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchFolder {
public:
    ScratchFolder() {
        static int counter = 0;
        path_ = std::filesystem::temp_directory_path() /
                ("zt-test-" +
                 std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) +
                 "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const { return (path_ / name).string(); }
    // Writes the bytes as they are (binary) and gives the file's path.
    std::string write(const std::string& name, const std::string& contents) const {
        const std::string p = path(name);
        std::ofstream(p, std::ios::binary) << contents;
        return p;
    }

private:
    std::filesystem::path path_;
};

}  // namespace zt::test
