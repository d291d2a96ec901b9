// The size rules of presets and wavetables files: a file is a plain run of 64-byte records with no
// header, so its size is all there is to test.
#include "transfer/preset_files.h"

#include "devices/device_kind.h"
#include "devices/device_registry.h"
#include "platform/replace_file.h"

namespace zt {

namespace {

// 11010 records: two setPcConnection records around 256 slots of 43 answer records.
constexpr std::int64_t kOneBankPresetsSize = 704640;
// 19074 records: two setPcConnection records around 64 slots of 298 answer records.
constexpr std::int64_t kTwoBankPresetsSize = 1220736;
// 16002 records.
constexpr std::int64_t kWavetablesSize = 1024128;

// The size of a regular file that can be opened for reading, else -1. No file stays open.
std::int64_t sizeOf(const std::string& fileName) {
    std::FILE* file = openFile(fileName, "rb");
    if (file == nullptr) return -1;
    const std::int64_t size = regularFileSize(file);
    std::fclose(file);
    return size;
}

}  // namespace

std::int64_t acceptedPresetsSize(const DeviceRegistry& registry) {
    // A one-bank kind accepts only its own size, even one valid for the other kind.
    if (registry.hasCapability(CAP_BIT_PRESETS)) return kOneBankPresetsSize;
    if (registry.hasCapability(CAP_BIT_BANKS)) return kTwoBankPresetsSize;
    return -1;
}

bool DeviceRegistry::presetsFileMatches(const std::string& fileName) const {
    const std::int64_t accepted = acceptedPresetsSize(*this);
    return accepted > 0 && sizeOf(fileName) == accepted;
}

bool DeviceRegistry::wavetablesFileMatches(const std::string& fileName) const {
    return hasCapability(CAP_BIT_BANKS) && sizeOf(fileName) == kWavetablesSize;
}

}  // namespace zt
