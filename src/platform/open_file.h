// Opening a file by its UTF-8 name. One implementation per platform (open_file_posix.cpp,
// open_file_win.cpp), because only the platform knows how a UTF-8 name reaches its file system.
// No state; any thread.
#pragma once

#include <cstdio>
#include <string>

namespace zt {

// std::fopen by UTF-8 name. nullptr when the file cannot be opened, the name is empty, or (on
// Windows) it is not valid UTF-8. The caller closes the stream with std::fclose.
std::FILE* openFile(const std::string& path, const char* mode);

// Whether openFile can open `path` for reading; the file is closed again at once.
inline bool canOpenForReading(const std::string& path) {
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

}  // namespace zt
