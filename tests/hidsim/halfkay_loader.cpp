#include "hidsim/halfkay_loader.h"

#include <algorithm>

namespace hidsim {
namespace {

// Block report, as written:
//   [0]      report id 0
//   [1..3]   flash address bits 0-7, 8-15, 16-23
//   [4..64]  0
//   [65..]   blockSize bytes of the image from that address on
// Boot report: the same length, [1..3] FF FF FF.
constexpr std::size_t kHeader = 65;

}  // namespace

HalfKayLoader::HalfKayLoader(std::uint32_t codeSize, std::uint32_t blockSize)
    : memory(codeSize, 0xFF), blockSize_(blockSize) {}

int HalfKayLoader::write(const unsigned char* data, std::size_t length) {
    reports.emplace_back(data, data + length);
    ++writes_;
    // After the boot report the loader has handed over to the firmware: nothing listens.
    const bool refused = refuseFirst_ < 0 || writes_ <= refuseFirst_ || booted ||
                         length != blockSize_ + kHeader || data[0] != 0;
    if (refused) {
        ++refusedWrites;
        return -1;
    }
    if (data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF) {
        booted = true;
        return static_cast<int>(length);
    }
    const std::uint32_t address = std::uint32_t(data[1]) | std::uint32_t(data[2]) << 8 |
                                  std::uint32_t(data[3]) << 16;
    blockAddresses.push_back(address);
    if (address < memory.size()) {
        const std::size_t n = std::min<std::size_t>(blockSize_, memory.size() - address);
        std::copy_n(data + kHeader, n, memory.begin() + address);
    }
    return static_cast<int>(length);
}

}  // namespace hidsim
