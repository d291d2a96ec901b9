// Test helpers for the transfers: a fresh folder per test, whole-file reads and writes, records.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace zt::test {

using Bytes = std::vector<unsigned char>;
using Packet = std::array<unsigned char, 64>;

// A new empty folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "zt-transfer-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) path_ = pattern;
        EXPECT_FALSE(path_.empty());
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    // Names of everything in the folder, sorted.
    std::vector<std::string> entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(path_))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::filesystem::path path_;
};

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A 64-byte record: type, then 16-bit fields at 2, 4, 6, then a filler byte everywhere else.
inline Packet record(std::uint16_t type, std::uint16_t at2 = 0, std::uint16_t at4 = 0,
                     std::uint16_t at6 = 0, unsigned char filler = 0) {
    Packet p;
    p.fill(filler);
    const std::uint16_t fields[] = {type, at2, at4, at6};
    for (int i = 0; i < 4; ++i) {
        p[2 * i] = static_cast<unsigned char>(fields[i] & 0xFF);
        p[2 * i + 1] = static_cast<unsigned char>(fields[i] >> 8);
    }
    return p;
}

inline Bytes concat(const std::vector<Packet>& records) {
    Bytes out;
    for (const Packet& r : records) out.insert(out.end(), r.begin(), r.end());
    return out;
}

// The 64-byte records of a file's bytes.
inline std::vector<Packet> records(const Bytes& bytes) {
    std::vector<Packet> out(bytes.size() / 64);
    for (std::size_t i = 0; i < out.size(); ++i)
        std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(i * 64), 64, out[i].begin());
    return out;
}

// The packet of an output report (report id 0 dropped).
inline Packet packetOf(const std::vector<unsigned char>& report) {
    Packet p{};
    if (report.size() >= 65) std::copy_n(report.begin() + 1, 64, p.begin());
    return p;
}

// Deterministic arbitrary bytes.
inline Bytes arbitraryBytes(std::size_t size, std::uint32_t seed) {
    Bytes out(size);
    for (auto& b : out) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<unsigned char>(seed >> 24);
    }
    return out;
}

inline const Packet kPcOn = record(0x0021, 1);
inline const Packet kPcOff = record(0x0021, 0);

}  // namespace zt::test
