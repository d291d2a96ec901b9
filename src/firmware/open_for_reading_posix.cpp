// POSIX file names are bytes, so the UTF-8 path is the name as it stands.
#include "firmware/open_for_reading.h"

namespace zt {

std::FILE* openForReading(const std::string& path) { return std::fopen(path.c_str(), "rb"); }

}  // namespace zt
