// A device that records what the host writes and answers reads from a script, for wire-level tests
// of the channel and of the upload's acknowledgement handling.
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <vector>

#include "hidsim/hidsim.h"

namespace zt::test {

class ScriptedDevice : public hidsim::Device {
public:
    struct Answer {
        int result;               // < 0 read error, 0 time-out, > 0 the bytes below
        hidsim::Report bytes;
    };
    static Answer acknowledgement(std::uint16_t status) {
        hidsim::Report r(64, 0);
        r[2] = static_cast<unsigned char>(status & 0xFF);
        r[3] = static_cast<unsigned char>(status >> 8);
        return {64, r};
    }
    static Answer timeOut() { return {0, {}}; }
    static Answer readError() { return {-1, {}}; }

    int write(const unsigned char* data, std::size_t length) override {
        written.emplace_back(data, data + length);
        return failWrites ? -1 : static_cast<int>(length);
    }
    int read(unsigned char* data, std::size_t length, int) override {
        ++reads;
        if (answers.empty()) return 0;
        const Answer a = answers.front();
        answers.pop_front();
        if (a.result <= 0) return a.result;
        const std::size_t n = std::min({length, a.bytes.size(), static_cast<std::size_t>(a.result)});
        std::copy_n(a.bytes.begin(), n, data);
        return static_cast<int>(n);
    }

    std::deque<Answer> answers;
    std::vector<hidsim::Report> written;
    int reads = 0;
    bool failWrites = false;
};

}  // namespace zt::test
