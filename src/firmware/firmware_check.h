// The quick content check made before an update: does the file begin like an Intel HEX record?
#pragma once

#include <istream>
#include <string>

namespace zt {

// True when the file can be opened and its first three bytes are ':' and two hexadecimal digits.
bool checkFirmwareFile(const std::string& path);
// The same test on an open stream; the stream's read position is left where it was.
bool startsLikeHexRecord(std::istream& stream);
// '0'-'9', 'a'-'f', 'A'-'F'; nothing above 0x7F.
bool isHexDigit(char c);

}  // namespace zt
