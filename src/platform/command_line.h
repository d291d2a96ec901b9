// The program's arguments as UTF-8, whatever the platform hands to main: on Windows main's argv is
// in the system code page, which cannot hold every file name, so the wide command line is read
// instead. One file per platform. Call from the main thread.
#pragma once

#include <string>
#include <vector>

namespace zt {

// argv[0] included.
std::vector<std::string> commandLineArguments(int argc, char** argv);

}  // namespace zt
