#include "devices/device_kind.h"

#include "devices/device_registry.h"

namespace zt {

DeviceKind::DeviceKind(DeviceRegistry& registry, const char* name, std::int32_t bitmapId,
                       std::uint32_t vendorId, std::uint32_t productId, std::uint8_t flags,
                       std::int32_t codeSize, std::int32_t auxSize, std::int32_t blockSize,
                       const char* fileKey)
    : name(name), bitmapId(bitmapId), vendorId(vendorId), productId(productId), flags(flags),
      codeSize(codeSize), auxSize(auxSize), blockSize(blockSize), fileKey(fileKey) {
    registry.addKind(*this);
}

}  // namespace zt
