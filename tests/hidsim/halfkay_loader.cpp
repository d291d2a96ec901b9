#include "hidsim/halfkay_loader.h"

#include <algorithm>

namespace hidsim {

int HalfKayLoader::write(const unsigned char* data, std::size_t length) {
    reports.emplace_back(data, data + length);
    const bool boot = length > 3 && data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF;
    const bool refused = refuseFirstWrites < 0 || reports.size() <= std::size_t(refuseFirstWrites);
    if (refused || booted || length != blockSize_ + 65 || data[0] != 0 || (boot && refuseBoot))
        return -1;
    booted = boot;
    const std::uint32_t address = data[1] | data[2] << 8 | data[3] << 16;
    if (!boot) blockAddresses.push_back(address);
    if (!boot && address < memory.size())
        std::copy_n(data + 65, std::min<std::size_t>(blockSize_, memory.size() - address),
                    memory.begin() + address);
    return static_cast<int>(length);
}

}  // namespace hidsim
