// Arbitrary input reports into the KBOOT response read and check: a tag byte, then reports, each
// a length byte (0xFE a time-out, 0xFF a read error) and up to that many bytes.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "hid/bootloader_packets.h"
#include "hidsim/hidsim.h"

namespace {

struct FuzzDevice : hidsim::PresenceDevice {  // takes every write
    const std::uint8_t* at = nullptr;
    const std::uint8_t* end = nullptr;
    int read(unsigned char* data, std::size_t length, int) override {
        const std::uint8_t n = at == end ? 0xFE : *at++;
        if (n >= 0xFE) return n == 0xFE ? 0 : -1;
        const std::size_t available = std::min<std::size_t>(n, std::size_t(end - at));
        std::memcpy(data, at, std::min(available, length));
        at += available;
        return int(std::min(available, length));
    }
};

void expectSound(const std::optional<zt::ResponseView>& response, std::uint8_t tag) {
    const int verdict = zt::checkResponse(response, tag);
    if (response && (response->length == 0 || response->length > 32)) std::abort();
    if (verdict < 0 || verdict > 4) std::abort();
    if (verdict == 0 && response->payload[0] != 0xA0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const auto device = std::make_shared<FuzzDevice>();
    if (size == 0) return 0;
    hidsim::detachAll();
    hidsim::attach(0x16D0, 0x0EA1, device);
    device->at = data + 1;
    device->end = data + size;
    zt::ActiveDevice active;
    if (!active.open(0x16D0, 0x0EA1)) std::abort();
    zt::BootloaderPackets packets(active);
    expectSound(packets.sendCommand(data[0], 0, 0, 0), data[0]);  // the first read after a write
    expectSound(packets.readResponse(10000, zt::Phase::Command), data[0]);  // a read after a read
    active.close();
    return 0;
}
