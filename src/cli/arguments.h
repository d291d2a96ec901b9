// The command line of `zentari`, parsed with CLI11. Help, version and usage errors are answered
// here; everything else becomes Options for the session.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "cli/options.h"

namespace zt::cli {

struct Parsed {
    std::optional<Options> options;  // set when a command is to run
    int exitStatus = kExitSuccess;   // otherwise: 0 after help or version, 2 after a usage error
};

// `arguments` without the program name. Help and the version go to `out`, errors to `err`.
Parsed parseArguments(const std::vector<std::string>& arguments, std::ostream& out,
                      std::ostream& err);

}  // namespace zt::cli
