// Windows narrow file names are in the system code page, which cannot name every file: the UTF-8
// path goes through the wide-character open instead.
#include "firmware/open_for_reading.h"

#include <stdio.h>
#include <windows.h>

namespace zt {

std::FILE* openForReading(const std::string& path) {
    // Room for far longer paths than the dialogs produce; a path that does not fit fails to open.
    wchar_t wide[1024];
    if (path.empty() || path.size() >= sizeof wide / sizeof wide[0]) return nullptr;
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                           static_cast<int>(path.size()), wide,
                                           static_cast<int>(sizeof wide / sizeof wide[0]) - 1);
    if (length <= 0) return nullptr;
    wide[length] = L'\0';
    return _wfopen(wide, L"rb");
}

}  // namespace zt
