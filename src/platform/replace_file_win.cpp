// The transfers' file calls on Windows: every name goes through the wide-character calls, since
// the narrow ones take the system code page, which cannot name every file.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "platform/wide_text.h"
#include "platform/replace_file.h"

namespace zt {

namespace {

bool wide(const std::string& path, std::wstring& out) {
    return !path.empty() && wideFromUtf8(path, out);
}

}  // namespace

std::int64_t regularFileSize(std::FILE* file) {
    struct _stat64 info {};
    if (file == nullptr || _fstat64(_fileno(file), &info) != 0 ||
        (info.st_mode & _S_IFMT) != _S_IFREG) {
        return -1;
    }
    return static_cast<std::int64_t>(info.st_size);
}

std::FILE* createFileBeside(const std::string& target, std::string& temporaryPath) {
    // CREATE_NEW: never take over a file that is there already, whoever made it.
    // A short name of its own in the target's folder: the target's name with a suffix could pass
    // the length limit that the target itself just meets.
    const std::string folder = target.substr(0, target.find_last_of("\\/:") + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folder + ".zt" + std::to_string(attempt) + ".part";
        std::wstring wideName;
        if (!wide(name, wideName)) return nullptr;
        HANDLE handle = CreateFileW(wideName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE) {
            if (GetLastError() == ERROR_FILE_EXISTS) continue;
            return nullptr;
        }
        const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
        if (fd < 0) {
            CloseHandle(handle);
            DeleteFileW(wideName.c_str());
            return nullptr;
        }
        std::FILE* file = _fdopen(fd, "wb");
        if (file == nullptr) {
            _close(fd);
            DeleteFileW(wideName.c_str());
            return nullptr;
        }
        temporaryPath = name;
        return file;
    }
    return nullptr;
}

bool replaceFile(const std::string& from, const std::string& to) {
    std::wstring wideFrom, wideTo;
    if (!wide(from, wideFrom) || !wide(to, wideTo)) return false;
    // The data must be on the disk before the name points at it.
    HANDLE handle = CreateFileW(wideFrom.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return false;
    const bool flushed = FlushFileBuffers(handle) != 0;
    CloseHandle(handle);
    return flushed && MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool removeFile(const std::string& path) {
    std::wstring name;
    return wide(path, name) && DeleteFileW(name.c_str()) != 0;
}

}  // namespace zt
