// The transfers' file calls on Linux and macOS, where paths are UTF-8 bytes already.
#include "platform/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zt {

std::int64_t regularFileSize(std::FILE* file) {
    struct stat info {};
    if (file == nullptr || fstat(fileno(file), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<std::int64_t>(info.st_size);
}

std::FILE* createFileBeside(const std::string& target, std::string& temporaryPath) {
    // O_EXCL: never take over a file that is there already, whoever made it. Mode 0666 lets the
    // umask decide, as for any file the user saves.
    // A short name of its own in the target's folder: the target's name with a suffix could pass
    // the length limit that the target itself just meets.
    const std::string folder = target.substr(0, target.rfind('/') + 1);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = folder + ".zt" + std::to_string(attempt) + ".part";
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd == -1) {
            if (errno == EEXIST) continue;
            return nullptr;
        }
        std::FILE* file = fdopen(fd, "wb");
        if (file == nullptr) {
            ::close(fd);
            ::unlink(name.c_str());
            return nullptr;
        }
        temporaryPath = name;
        return file;
    }
    return nullptr;
}

bool replaceFile(const std::string& from, const std::string& to) {
    // The data must be on the disk before the name points at it, or a crash right after the
    // rename could leave an empty file where the old one was.
    const int fd = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced && std::rename(from.c_str(), to.c_str()) == 0;
}

bool removeFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace zt
