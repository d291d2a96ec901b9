// Helpers for the firmware tests: a private temporary folder per test, files written into it,
// and Intel HEX records built with their checksum.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>

#include "firmware/firmware_image.h"

namespace zt::test {

class TempFolder {
public:
    TempFolder() {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("zt-firmware-") + info->test_suite_name() + "-" + info->name();
        std::replace(name.begin(), name.end(), '/', '_');
        path_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // Paths are UTF-8 both ways, as the tool keeps them.
    std::string path(const std::string& file) const {
        const std::u8string full = (path_ / fromUtf8(file)).u8string();
        return std::string(full.begin(), full.end());
    }

    // Writes `content` byte for byte (no line-end translation) and gives the file's path.
    std::string write(const std::string& file, const std::string& content) const {
        const std::string full = path(file);
        std::ofstream out(fromUtf8(full), std::ios::binary | std::ios::trunc);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        EXPECT_TRUE(out.good()) << full;
        return full;
    }

private:
    static std::filesystem::path fromUtf8(const std::string& text) {
        return std::filesystem::path(std::u8string(text.begin(), text.end()));
    }

    std::filesystem::path path_;
};

// One record line, upper-case digits, checksum computed, ending in a line feed.
inline std::string hexRecord(std::uint8_t type, std::uint16_t address,
                             std::initializer_list<std::uint8_t> data) {
    static const char digits[] = "0123456789ABCDEF";
    std::string line = ":";
    unsigned sum = 0;
    auto put = [&](std::uint8_t byte) {
        line += digits[byte >> 4];
        line += digits[byte & 0xF];
        sum += byte;
    };
    put(static_cast<std::uint8_t>(data.size()));
    put(static_cast<std::uint8_t>(address >> 8));
    put(static_cast<std::uint8_t>(address & 0xFF));
    put(type);
    for (std::uint8_t byte : data) put(byte);
    put(static_cast<std::uint8_t>(0x100 - (sum & 0xFF)));
    return line + "\n";
}

inline std::string dataRecord(std::uint16_t address, std::initializer_list<std::uint8_t> data) {
    return hexRecord(0x00, address, data);
}
inline const std::string kEndRecord = ":00000001FF\n";

inline std::int32_t writtenCount(const FirmwareImage& image) {
    return static_cast<std::int32_t>(
        std::count(image.written.begin(), image.written.end(), std::uint8_t{1}));
}

// Images are 2 MiB: keep them off the stack.
inline std::unique_ptr<FirmwareImage> makeImage() { return std::make_unique<FirmwareImage>(); }

}  // namespace zt::test
