// readHexFile: a firmware file through the line reader into the image.
#include "firmware/hex_stream.h"
#include "platform/open_file.h"

namespace zt {

namespace {

class FileSource final : public ByteSource {
public:
    explicit FileSource(std::FILE* file) : file_(file) {}
    std::ptrdiff_t read(char* destination, std::size_t capacity) override {
        const std::size_t got = std::fread(destination, 1, capacity, file_);
        if (got == 0 && std::ferror(file_)) return kFailed;
        return static_cast<std::ptrdiff_t>(got);
    }

private:
    std::FILE* file_;
};

}  // namespace

std::int32_t readHexFile(FirmwareImage& image, const std::string& path,
                         const std::uint8_t** bytesOut) {
    resetImage(image);
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) return -1;
    // The line reader reads in large blocks of its own; a stdio buffer would only copy twice.
    std::setvbuf(file, nullptr, _IONBF, 0);
    FileSource source(file);
    // A file that opens but cannot be read (a directory on POSIX, an I/O error part way) is as
    // unusable as one that cannot be opened; taking it as a short file would report success for
    // a truncated image.
    const std::int32_t result = readHexLines(image, source);
    std::fclose(file);
    if (result >= 0 && bytesOut != nullptr) *bytesOut = image.bytes.data();
    return result;
}

}  // namespace zt
