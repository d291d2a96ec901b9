// An emulated HalfKay first-stage loader: takes block reports, keeps the blocks, boots on the boot
// report. It sends nothing back.
//
// Block report (as written, report id first): [0] 0, [1..3] flash address bits 0-7, 8-15, 16-23,
// [4..64] 0, [65..65+blockSize) the block. Boot report: bytes [1..3] FF FF FF. A write of any
// other length than blockSize + 65, or with a report id other than 0, is refused (-1). A block is
// stored at its address and clipped at codeSize. After the boot report the loader is gone: every
// later write is refused.
#pragma once

#include <cstdint>
#include <vector>

#include "hidsim/hidsim.h"

namespace hidsim {

class HalfKayLoader : public Device {
public:
    HalfKayLoader(std::uint32_t codeSize, std::uint32_t blockSize);

    // The first n writes are refused (-1); -1 refuses every write.
    void refuseFirstWrites(int n) { refuseFirst_ = n; }

    std::vector<Report> reports;         // every report written (refused ones too), as written
    std::vector<std::uint8_t> memory;    // codeSize bytes, 0xFF until a block lands
    std::vector<std::uint32_t> blockAddresses;  // addresses of the accepted blocks, in order
    bool booted = false;
    int refusedWrites = 0;

    int write(const unsigned char* data, std::size_t length) override;
    int read(unsigned char*, std::size_t, int) override { return 0; }

private:
    std::uint32_t blockSize_;
    int refuseFirst_ = 0;
    int writes_ = 0;
};

}  // namespace hidsim
