// POSIX file names are bytes, so the UTF-8 path is the name as it stands.
#include "platform/open_file.h"

namespace zt {

std::FILE* openFile(const std::string& path, const char* mode) {
    return path.empty() ? nullptr : std::fopen(path.c_str(), mode);
}

}  // namespace zt
