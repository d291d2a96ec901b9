// The size rules of presets and wavetables files, as the download and the load tests share them.
#pragma once

#include <cstdint>

namespace zt {

class DeviceRegistry;

// The size in bytes of a whole presets file for the selected kind (one bank of 256 slots, or one
// of two banks of 64), or -1 when the kind has no preset bank. presetsFileMatches accepts exactly
// this size, and a download keeps nothing else.
std::int64_t acceptedPresetsSize(const DeviceRegistry& registry);

}  // namespace zt
