// The content test of a chosen firmware file: its first three bytes, nothing more.
#include "firmware/firmware_check.h"

#include <filesystem>
#include <fstream>

namespace zt {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool startsLikeHexRecord(std::istream& stream) {
    // A stream left at its end would refuse to tell or seek; its flags are put back afterwards.
    const std::istream::iostate state = stream.rdstate();
    stream.clear();
    const std::streampos position = stream.tellg();
    char first[3] = {};
    stream.seekg(0, std::ios::beg);
    stream.read(first, 3);
    const bool result =
        stream.gcount() == 3 && first[0] == ':' && isHexDigit(first[1]) && isHexDigit(first[2]);
    stream.clear();
    if (position != std::streampos(-1)) stream.seekg(position);
    stream.clear(state);
    return result;
}

bool checkFirmwareFile(const std::string& path) {
    // The path is UTF-8; going through std::filesystem lets the Windows build open any name.
    std::ifstream stream(std::filesystem::path(std::u8string(path.begin(), path.end())),
                         std::ios::in | std::ios::binary);
    if (!stream.is_open()) return false;
    return startsLikeHexRecord(stream);
}

}  // namespace zt
