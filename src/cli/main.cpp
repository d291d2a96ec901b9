// `zentari`, the terminal front end: the same actions as the window, driven from the command line.
#include <cstdlib>
#include <iostream>

#include "cli/cli.h"
#include "firmware/firmware_image.h"
#include "platform/command_line.h"
#include "platform/terminal.h"

int main(int argc, char** argv) {
    std::vector<std::string> arguments = zt::commandLineArguments(argc, argv);
    if (!arguments.empty()) arguments.erase(arguments.begin());
    static zt::FirmwareImage image;  // static storage: untouched until the first firmware read
    const bool terminal = zt::stderrIsTerminal();
    const int status = zt::cli::runCli(arguments, std::cout, std::cerr, terminal, &image);
    std::cout.flush();
    std::cerr.flush();
    return status;
}
