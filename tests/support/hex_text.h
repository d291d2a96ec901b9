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
#include <vector>

namespace zt::test {

// One record line, upper-case digits, checksum computed, line feed included.
inline std::string hexRecord(std::uint8_t type, std::uint16_t address,
                             const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> fields{static_cast<std::uint8_t>(data.size()),
                                     static_cast<std::uint8_t>(address >> 8),
                                     static_cast<std::uint8_t>(address), type};
    fields.insert(fields.end(), data.begin(), data.end());
    std::uint8_t sum = 0;
    for (std::uint8_t b : fields) sum = static_cast<std::uint8_t>(sum - b);
    fields.push_back(sum);
    std::string line = ":";
    char digits[3];
    for (std::uint8_t b : fields) {
        std::snprintf(digits, sizeof digits, "%02X", unsigned{b});
        line += digits;
    }
    return line + "\n";
}

// A run of bytes at an absolute address.
struct HexChunk {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
};

// A whole file: data records of up to 16 bytes that never cross a 64 KiB boundary, a linear base
// record wherever the upper half of the address changes, then the end-of-file record.
inline std::string hexFile(const std::vector<HexChunk>& chunks) {
    std::string text;
    std::uint32_t upper = 0;
    for (const HexChunk& chunk : chunks) {
        std::size_t take = 0;
        for (std::size_t at = 0; at < chunk.bytes.size(); at += take) {
            const std::uint32_t address = chunk.address + static_cast<std::uint32_t>(at);
            take = std::min<std::size_t>({16, chunk.bytes.size() - at, 0x10000 - (address & 0xFFFF)});
            if ((address >> 16) != upper) {
                upper = address >> 16;
                text += hexRecord(4, 0, {static_cast<std::uint8_t>(upper >> 8),
                                         static_cast<std::uint8_t>(upper)});
            }
            const auto from = chunk.bytes.begin() + static_cast<std::ptrdiff_t>(at);
            text += hexRecord(0, static_cast<std::uint16_t>(address),
                              {from, from + static_cast<std::ptrdiff_t>(take)});
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
        b = static_cast<std::uint8_t>((x >> 16) % 0xFF);
    }
    return bytes;
}

// A fresh folder under the system's temporary folder, removed with the object. Names and paths
// are UTF-8 both ways, as the tool keeps them.
class ScratchFolder {
public:
    ScratchFolder() {
        static int counter = 0;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("zt-test-" + std::to_string(now) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const {
        const std::u8string full = (path_ / std::u8string(name.begin(), name.end())).u8string();
        return std::string(full.begin(), full.end());
    }
    // Writes the bytes as they are (binary) and gives the file's path.
    std::string write(const std::string& name, const std::string& contents) const {
        const std::string p = path(name);
        std::ofstream(std::filesystem::path(std::u8string(p.begin(), p.end())), std::ios::binary)
            << contents;
        return p;
    }

private:
    std::filesystem::path path_;
};

}  // namespace zt::test
