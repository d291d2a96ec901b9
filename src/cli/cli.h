// The terminal front end as a library: the whole program but its entry point, so that tests run
// it in-process against the emulated devices. See `zentari --help` and the man page.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace zt {
struct FirmwareImage;
}

namespace zt::cli {

// Runs one command line (`arguments` without the program name) and gives the exit status: 0 done,
// 1 the action failed (its message carries the result code), 2 wrong usage, 130 Ctrl-C. Results
// go to `out`, status lines, progress and messages to `err`; `terminal` says whether `err` is a
// terminal (a redrawn progress bar) or not (percent lines). Installs the Ctrl-C handler.
// `image` as for Tool: the firmware image to use, or nullptr for one of its own.
int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           bool terminal, FirmwareImage* image = nullptr);

}  // namespace zt::cli
