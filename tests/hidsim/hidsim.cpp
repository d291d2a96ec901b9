#include "hidsim/hidsim.h"

#include <hidapi.h>

#include <cstdlib>
#include <cwchar>
#include <map>
#include <utility>

#include "hid/hid_write_timeout.h"

namespace {

struct Attached {
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::shared_ptr<hidsim::Device> device;
    bool closed;
};

struct World {
    std::recursive_mutex mutex;
    std::vector<Attached> devices;
    std::map<std::pair<int, int>, int> attempts;
    int openHandles = 0;
};

World& world() {
    static World* w = new World;  // never destroyed: a worker may still use it at exit
    return *w;
}

}  // namespace

struct hid_device_ {
    std::shared_ptr<hidsim::Device> device;
};

namespace hidsim {

std::vector<int> Device::timeouts(Call::Op op) const {
    std::vector<int> out;
    for (const Call& call : calls)
        if (call.op == op) out.push_back(call.timeoutMs);
    return out;
}

Lock lock() { return Lock(world().mutex); }

void attach(std::uint16_t vendorId, std::uint16_t productId, std::shared_ptr<Device> device,
            bool closed) {
    auto guard = lock();
    world().devices.push_back({vendorId, productId, std::move(device), closed});
}

void detach(const std::shared_ptr<Device>& device) {
    auto guard = lock();
    std::erase_if(world().devices, [&](const Attached& a) { return a.device == device; });
}

void detachAll() {
    auto guard = lock();
    world().devices.clear();
    world().attempts.clear();
}

int openAttempts(std::uint16_t vendorId, std::uint16_t productId) {
    auto guard = lock();
    auto it = world().attempts.find({vendorId, productId});
    return it == world().attempts.end() ? 0 : it->second;
}

int takeOpenHandles() {
    auto guard = lock();
    return std::exchange(world().openHandles, 0);
}

}  // namespace hidsim

extern "C" {

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t* serial) {
    auto guard = hidsim::lock();
    World& w = world();
    ++w.attempts[{vendor_id, product_id}];
    for (const Attached& a : w.devices) {
        if (a.vendorId != vendor_id || a.productId != product_id) continue;
        if (serial != nullptr && std::wcscmp(serial, L"ZT0001") != 0) continue;
        // hidapi's hid_open takes the first match and fails when that one cannot be opened.
        if (a.closed) return nullptr;
        ++w.openHandles;
        a.device->calls.push_back({hidsim::Call::Open, 0});
        a.device->opened();
        return new hid_device_{a.device};
    }
    return nullptr;
}

hid_device_info* hid_enumerate(unsigned short vendor_id, unsigned short product_id) {
    auto guard = hidsim::lock();
    hid_device_info* head = nullptr;
    hid_device_info** tail = &head;
    for (const Attached& a : world().devices) {
        if (vendor_id != 0 && a.vendorId != vendor_id) continue;
        if (product_id != 0 && a.productId != product_id) continue;
        auto* info = static_cast<hid_device_info*>(std::calloc(1, sizeof(hid_device_info)));
        info->vendor_id = a.vendorId;
        info->product_id = a.productId;
        *tail = info;
        tail = &info->next;
    }
    return head;
}

void hid_free_enumeration(hid_device_info* devices) {
    while (devices != nullptr) {
        hid_device_info* next = devices->next;
        std::free(devices);
        devices = next;
    }
}

void hid_close(hid_device* dev) {
    if (dev == nullptr) return;
    auto guard = hidsim::lock();
    --world().openHandles;
    dev->device->calls.push_back({hidsim::Call::Close, 0});
    delete dev;
}

int hid_write_timeout(hid_device* dev, const unsigned char* data, std::size_t length,
                      int milliseconds) {
    if (dev == nullptr || data == nullptr || length == 0) return -1;
    auto guard = hidsim::lock();
    dev->device->calls.push_back({hidsim::Call::Write, milliseconds});
    const int written = dev->device->write(data, length);
    return written < 0 ? -1 : written;
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    if (dev == nullptr || data == nullptr) return -1;
    auto guard = hidsim::lock();
    dev->device->calls.push_back({hidsim::Call::Read, milliseconds});
    return dev->device->read(data, length, milliseconds);
}

}  // extern "C"
