// Opening a file for reading raw bytes, by a UTF-8 path. One implementation per platform, chosen
// by the build, because only the platform knows how a UTF-8 name reaches its file system.
#pragma once

#include <cstdio>
#include <string>

namespace zt {

// Opens `path` for reading in binary mode. Gives the open file, which the caller closes with
// std::fclose, or nullptr when it cannot be opened.
std::FILE* openForReading(const std::string& path);

}  // namespace zt
