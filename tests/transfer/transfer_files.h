// Test helpers for the transfers: a fresh folder, whole-file reads and writes, records, and a tool
// fixture with an emulated preset device.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "hidsim/preset_device.h"
#include "support/tool_fixture.h"
#include "transfer/preset_transfer.h"

namespace zt::test {

using Bytes = std::vector<unsigned char>;
using Packet = std::array<unsigned char, 64>;

// A new empty folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() { EXPECT_NE(mkdtemp(path_.data()), nullptr); }
    ~TempFolder() { std::error_code ignored; std::filesystem::remove_all(path_, ignored); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::vector<std::string> entries() const {  // sorted names of everything in the folder
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(path_)) names.push_back(e.path().filename());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_ = std::filesystem::temp_directory_path() / "zt-transfer-XXXXXX";
};

inline Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

inline Bytes arbitraryBytes(std::size_t size, std::uint32_t seed) {
    Bytes out(size);
    for (auto& b : out) b = static_cast<unsigned char>((seed = seed * 1664525u + 1013904223u) >> 24);
    return out;
}

// A 64-byte record: type, then 16-bit fields at 2, 4, 6, then a filler byte everywhere else.
inline Packet record(std::uint16_t type, std::uint16_t at2 = 0, std::uint16_t at4 = 0, std::uint16_t at6 = 0,
                     unsigned char filler = 0) {
    Packet p;
    p.fill(filler);
    const std::uint16_t fields[] = {type, at2, at4, at6};
    for (std::size_t i = 0; i < 4; ++i) p[2 * i] = fields[i] & 0xFF, p[2 * i + 1] = fields[i] >> 8;
    return p;
}

inline Bytes concat(const std::vector<Packet>& records) {
    Bytes out;
    for (const Packet& r : records) out.insert(out.end(), r.begin(), r.end());
    return out;
}

inline const Packet kPcOn = record(0x0021, 1), kPcOff = record(0x0021, 0);

using hidsim::PresetDevice;
using Fault = std::function<void(PresetDevice&)>;

// A tool whose presets path names `file` in a fresh folder.
class TransferTest : public ToolTest {
protected:
    // Replaces every device by a fresh one of the shape and selects its kind (row 0 or row 3).
    std::shared_ptr<PresetDevice> attach(PresetDevice::Shape shape) {
        const bool one = shape == PresetDevice::Shape::OneBank;
        auto device = std::make_shared<PresetDevice>(shape);
        hidsim::detachAll();
        hidsim::attach(one ? 0x1FC9 : 0x16D0, one ? 0x815B : 0x0DAF, device);
        tool->registry.select(one ? 0 : 3);
        tool->paths.presetsPath = file;
        return device;
    }
    int download(int selector, int slots) { return tool->transfer.downloadPresets(selector, 0, slots); }
    int upload(int bank) { return tool->transfer.uploadFile(bank); }
    Fault aim(std::string path) { return [=, this](PresetDevice&) { tool->paths.presetsPath = path; }; }

    TempFolder folder;
    std::string file = folder.file("bank.zentari");
};

}  // namespace zt::test
