// An emulated HalfKay first-stage loader: takes block reports, keeps the blocks, boots on the boot
// report, sends nothing back.
//
// Block report, as written: [0] report id 0, [1..3] flash address bits 0-7, 8-15, 16-23, [4..64] 0,
// [65..65+blockSize) the block, stored at its address and clipped at codeSize. Boot report: the
// same length, [1..3] FF FF FF. A write of another length or report id is refused (-1); so is
// every write after the boot report, when the loader has handed over to the firmware.
#pragma once

#include <cstdint>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

class HalfKayLoader : public Device {
public:
    HalfKayLoader(std::uint32_t codeSize, std::uint32_t blockSize)
        : memory(codeSize, 0xFF), blockSize_(blockSize) {}

    int refuseFirstWrites = 0;  // the first n writes are refused; -1 refuses every write
    bool refuseBoot = false;    // the boot report is refused

    std::vector<Report> reports;                // every report written (refused ones too)
    std::vector<std::uint8_t> memory;           // codeSize bytes, 0xFF until a block lands
    std::vector<std::uint32_t> blockAddresses;  // accepted blocks, in order
    bool booted = false;

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char*, std::size_t, int) override { return 0; }

private:
    std::uint32_t blockSize_;
};

}  // namespace hidsim
