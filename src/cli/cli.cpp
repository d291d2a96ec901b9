#include "cli/cli.h"

#include <memory>

#include "app/tool.h"
#include "cli/arguments.h"
#include "cli/interrupt.h"
#include "cli/session.h"
#include "cli/terminal_port.h"

namespace zt::cli {

int runCli(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err,
           bool terminal, FirmwareImage* image) {
    const Parsed parsed = parseArguments(arguments, out, err);
    if (!parsed.options) return parsed.exitStatus;
    installInterruptHandler();
    setStopMode(StopMode::ExitNow);
    TerminalPort port(err, terminal);
    const auto tool = std::make_unique<Tool>(port, image);
    tool->window.create();
    Session session(*tool, port, out, err);
    const int status = session.run(*parsed.options);
    out.flush();
    return status;
}

}  // namespace zt::cli
