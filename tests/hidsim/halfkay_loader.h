// An emulated HalfKay first-stage loader: takes block reports ([0] id 0, [1..3] address LE24,
// [4..64] 0, then blockSize bytes); the boot report (the same length, [1..3] FF, the rest 0)
// boots it. It sends nothing back, and refuses (-1) anything else and every write after booting.
#pragma once

#include <algorithm>

#include "hidsim/hidsim.h"

namespace hidsim {

class HalfKayLoader : public PresenceDevice {
public:
    HalfKayLoader(std::uint32_t codeSize, std::uint32_t blockSize)
        : memory(codeSize, 0xFF), blockSize_(blockSize) {}

    int refuseFirstWrites = 0;  // the first n writes take nothing (0); -1: every write fails (-1)
    bool refuseBoot = false;    // the boot report is refused

    std::vector<Report> reports;       // every report written (refused ones too)
    std::vector<std::uint8_t> memory;  // codeSize bytes, 0xFF until a block lands
    bool booted = false;

    int write(const unsigned char* data, std::size_t length) override {
        reports.emplace_back(data, data + length);
        const bool boot = length > 3 && data[1] == 0xFF && data[2] == 0xFF && data[3] == 0xFF;
        if (refuseFirstWrites < 0) return -1;
        if (reports.size() <= size_t(refuseFirstWrites)) return 0;
        if (booted || length != blockSize_ + 65 || data[0] != 0 || (boot && refuseBoot)
            || std::any_of(data + 4, data + (boot ? length : 65), [](auto b) { return b != 0; }))
            return -1;
        booted = boot;
        const std::uint32_t address = data[1] | data[2] << 8 | data[3] << 16;
        if (!boot && address < memory.size())
            std::copy_n(data + 65, std::min<std::size_t>(blockSize_, memory.size() - address),
                        memory.begin() + address);
        return static_cast<int>(length);
    }

private:
    std::uint32_t blockSize_;
};

}  // namespace hidsim
