// The two path buffers that keep the user's last file choices between actions: the dialogs propose
// what they hold. UTF-8 text. Worker thread only.
#pragma once

#include <string>

namespace zt {

struct PathBuffers {
    std::string firmwarePath;  // last firmware file confirmed
    std::string presetsPath;   // last presets or wavetables file confirmed, or a save default name
};

// Characters a path buffer holds, terminator included, as the dialogs count them.
inline constexpr int kPathBufferSize = 260;

}  // namespace zt
