#include "hidsim/hidsim.h"

#include <hidapi.h>

#include <algorithm>
#include <map>
#include <utility>

namespace {

struct Attached {
    std::uint16_t vendorId;
    std::uint16_t productId;
    std::shared_ptr<hidsim::Device> device;
};

struct World {
    std::recursive_mutex mutex;
    std::vector<Attached> devices;
    std::map<std::pair<int, int>, int> opens;
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

Lock lock() { return Lock(world().mutex); }

void attach(std::uint16_t vendorId, std::uint16_t productId, std::shared_ptr<Device> device) {
    auto guard = lock();
    world().devices.push_back({vendorId, productId, std::move(device)});
}

void detach(const std::shared_ptr<Device>& device) {
    auto guard = lock();
    auto& list = world().devices;
    list.erase(std::remove_if(list.begin(), list.end(),
                              [&](const Attached& a) { return a.device == device; }),
               list.end());
}

void detachAll() {
    auto guard = lock();
    world().devices.clear();
    world().opens.clear();
    world().attempts.clear();
}

int openCount(std::uint16_t vendorId, std::uint16_t productId) {
    auto guard = lock();
    auto it = world().opens.find({vendorId, productId});
    return it == world().opens.end() ? 0 : it->second;
}

int openAttempts(std::uint16_t vendorId, std::uint16_t productId) {
    auto guard = lock();
    auto it = world().attempts.find({vendorId, productId});
    return it == world().attempts.end() ? 0 : it->second;
}

int openHandles() {
    auto guard = lock();
    return world().openHandles;
}

}  // namespace hidsim

extern "C" {

int hid_init(void) { return 0; }
int hid_exit(void) { return 0; }

hid_device* hid_open(unsigned short vendor_id, unsigned short product_id, const wchar_t*) {
    auto guard = hidsim::lock();
    World& w = world();
    ++w.attempts[{vendor_id, product_id}];
    for (const Attached& a : w.devices) {
        if (a.vendorId == vendor_id && a.productId == product_id) {
            ++w.opens[{vendor_id, product_id}];
            ++w.openHandles;
            a.device->opened();
            return new hid_device_{a.device};
        }
    }
    return nullptr;
}

void hid_close(hid_device* dev) {
    if (dev == nullptr) return;
    auto guard = hidsim::lock();
    --world().openHandles;
    dev->device->closed();
    delete dev;
}

int hid_write(hid_device* dev, const unsigned char* data, size_t length) {
    if (dev == nullptr || data == nullptr) return -1;
    auto guard = hidsim::lock();
    return dev->device->write(data, length);
}

int hid_read_timeout(hid_device* dev, unsigned char* data, size_t length, int milliseconds) {
    if (dev == nullptr || data == nullptr) return -1;
    auto guard = hidsim::lock();
    return dev->device->read(data, length, milliseconds);
}

int hid_read(hid_device* dev, unsigned char* data, size_t length) {
    return hid_read_timeout(dev, data, length, -1);
}

int hid_set_nonblocking(hid_device*, int) { return 0; }

const wchar_t* hid_error(hid_device*) { return L"hidsim"; }

}  // extern "C"
