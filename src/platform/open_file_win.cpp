// Windows narrow file names are in the system code page, which cannot name every file: the UTF-8
// path goes through the wide-character open instead.
#include <stdio.h>

#include "platform/open_file.h"
#include "platform/wide_text.h"

namespace zt {

std::FILE* openFile(const std::string& path, const char* mode) {
    std::wstring name, wideMode;
    if (path.empty() || !wideFromUtf8(path, name) || !wideFromUtf8(mode, wideMode)) return nullptr;
    return _wfopen(name.c_str(), wideMode.c_str());
}

}  // namespace zt
