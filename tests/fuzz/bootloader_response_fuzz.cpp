// Arbitrary input reports into the KBOOT response read and check. The input is a selector byte,
// then reports, each a length byte (0xFE a time-out, 0xFF a read error) and that many bytes,
// which may be more than a report holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "hid/bootloader_packets.h"
#include "hidsim/hidsim.h"

namespace {

struct FuzzDevice : hidsim::Device {
    const std::uint8_t* at = nullptr;
    const std::uint8_t* end = nullptr;

    int write(const unsigned char*, std::size_t length) override {
        return static_cast<int>(length);
    }
    int read(unsigned char* data, std::size_t length, int) override {
        if (at >= end) return 0;
        const std::uint8_t n = *at++;
        if (n == 0xFE) return 0;
        if (n == 0xFF) return -1;
        const std::size_t available = static_cast<std::size_t>(end - at);
        const std::size_t take = std::min({std::size_t{n}, available, length});
        std::memcpy(data, at, take);
        at += std::min<std::size_t>(n, available);
        return static_cast<int>(take);
    }
};

void expectSound(const std::optional<zt::ResponseView>& response, std::uint32_t tag) {
    if (response && response->length > zt::BootloaderPackets::kMaxPayload) std::abort();
    const int verdict = zt::checkResponse(response, tag);
    if (verdict < 0 || verdict > 4) std::abort();
    if (verdict == 0 && (!response || response->payload[0] != 0xA0)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    static const auto device = [] {
        auto d = std::make_shared<FuzzDevice>();
        hidsim::attach(0x16D0, 0x0EA1, d);
        return d;
    }();
    device->at = data + 1;
    device->end = data + size;

    zt::ActiveDevice active;
    if (!active.open(0x16D0, 0x0EA1)) std::abort();
    zt::BootloaderPackets packets(active);
    const std::uint8_t tags[] = {2, 4, 7, 11};
    const std::uint8_t tag = tags[data[0] & 3];
    switch ((data[0] >> 2) % 3) {
        case 0:
            expectSound(packets.sendCommand(tag, 0, 0, 0), tag);
            break;
        case 1: {
            // A read after a read, as the final response of a data phase may meet.
            expectSound(packets.sendCommand(tag, 1, 0, 32), tag);
            expectSound(packets.readResponse(10000, zt::Phase::Command), tag);
            break;
        }
        default: {
            const std::uint8_t chunk[32] = {0xA0, 0, 0, 2, 0, 0, 0, 0, 4};
            packets.writeReport(chunk, sizeof chunk, zt::Phase::Data);
            expectSound(packets.readResponse(1000, zt::Phase::Data), 4);
            break;
        }
    }
    active.close();
    return 0;
}
