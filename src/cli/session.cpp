#include "cli/session.h"

#include <cctype>

#include "app/tool.h"
#include "cli/action_table.h"
#include "cli/interrupt.h"
#include "cli/terminal_port.h"
#include "platform/closed_device.h"
#include "platform/open_file.h"
#include "platform/sleep.h"
#include "platform/stop_request.h"

namespace zt::cli {

namespace {

constexpr int kWaitStepMs = 250;

// A kind's name as the user may type it: any case, with or without its space ("vossa1").
std::string folded(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c != ' ') out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

std::optional<unsigned> rowOfName(const Tool& tool, const std::string& name) {
    for (unsigned row = 0; row < tool.registry.rowCount(); ++row) {
        if (folded(tool.registry.row(row).name) == folded(name)) return row;
    }
    return std::nullopt;
}

Session::Session(Tool& tool, TerminalPort& port, std::ostream& out, std::ostream& err)
    : tool_(tool), port_(port), out_(out), err_(err) {}

template <typename Raise>
void Session::serve(Raise raise) {
    raise();
    // This thread is the worker: it serves the request as the window's worker would, and a
    // Ctrl-C reaches the process through its handler meanwhile.
    while (tool_.dispatcher.servePass()) {
    }
}

std::vector<unsigned> Session::rowsWhere(bool closed) const {
    std::vector<unsigned> rows;
    for (unsigned row = 0; row < tool_.registry.rowCount(); ++row) {
        const int state = closed ? tool_.registry.isClosed(row) : tool_.registry.isFound(row);
        if (state == 1) rows.push_back(row);
    }
    return rows;
}

std::string Session::namesOf(const std::vector<unsigned>& rows) const {
    std::string names;
    for (unsigned row : rows) {
        if (!names.empty()) names += ", ";
        names += tool_.registry.row(row).name;
    }
    return names;
}

int Session::fail(int status, const std::string& message) {
    err_ << "zentari: " << message << '\n';
    return status;
}

void Session::search(const Options& options, std::optional<unsigned> named) {
    for (int waited = 0;; waited += kWaitStepMs) {
        serve([&] { tool_.dispatcher.raiseAction(0); });
        const bool there = named ? tool_.registry.isFound(*named) == 1 : !rowsWhere(false).empty();
        if (there || waited >= options.waitSeconds * 1000) return;
        sleepMilliseconds(kWaitStepMs);
    }
}

int Session::run(const Options& options) {
    std::optional<unsigned> named;
    if (!options.device.empty()) {
        named = rowOfName(tool_, options.device);
        if (!named) {
            std::vector<unsigned> all;
            for (unsigned row = 0; row < tool_.registry.rowCount(); ++row) all.push_back(row);
            return fail(kExitUsage, "no kind is named '" + options.device + "'; the kinds are " +
                                        namesOf(all));
        }
    }
    if (options.command != Command::List && options.command != Command::Save &&
        !canOpenForReading(options.file)) {
        return fail(kExitUsage, "cannot read " + options.file);
    }
    search(options, named);
    return options.command == Command::List ? list(options.json) : act(options, named);
}

int Session::chooseRow(std::optional<unsigned> named) {
    const std::vector<unsigned> found = rowsWhere(false);
    const std::vector<unsigned> closed = rowsWhere(true);
    if (named) {
        const unsigned row = *named;
        if (tool_.registry.isFound(row) == 1) return static_cast<int>(row);
        const std::string name = tool_.registry.row(row).name;
        if (tool_.registry.isClosed(row) == 1) {
            return -fail(kExitFailed, name + ": " + closedDeviceHint());
        }
        return -fail(kExitFailed, name + " not found" +
                                      (found.empty() ? "" : "; found: " + namesOf(found)));
    }
    if (found.size() == 1) return static_cast<int>(found[0]);
    if (!found.empty()) {
        return -fail(kExitUsage, "several kinds found (" + namesOf(found) +
                                     "); choose one with --device");
    }
    if (!closed.empty()) return -fail(kExitFailed, namesOf(closed) + ": " + closedDeviceHint());
    return -fail(kExitFailed, "No devices found");
}

int Session::act(const Options& options, std::optional<unsigned> named) {
    const int chosen = chooseRow(named);
    if (chosen < 0) return -chosen;
    const auto row = static_cast<unsigned>(chosen);
    serve([&] { tool_.dispatcher.raiseDevice(row); });

    const DeviceRegistry& registry = tool_.registry;
    const std::string name = registry.row(row).name;
    const bool banks = registry.hasCapability(CAP_BIT_BANKS);
    const bool presets = banks || registry.hasCapability(CAP_BIT_PRESETS);
    if (options.command == Command::Update && !registry.canUpdate()) {
        return fail(kExitUsage, name + " takes no firmware update");
    }
    if ((options.command == Command::Save || options.command == Command::Load) && !presets) {
        return fail(kExitUsage, name + " has no presets");
    }
    if (options.command == Command::Wavetables && !banks) {
        return fail(kExitUsage, name + " has no wavetables");
    }
    if (options.bank != 0 && !banks) {
        return fail(kExitUsage, name + " has one bank; leave out --bank");
    }
    const ActionRow* action = findAction(options.command, options.bank == 0 ? 'A' : options.bank);

    port_.answerDialogs(options.file, options.force);
    port_.setEcho(true);
    clearStopRequest();
    setStopMode(options.command == Command::Save ? StopMode::StopSave : StopMode::WarnFirst);
    serve([&] { tool_.dispatcher.raiseAction(action->slot); });
    const bool stopped = interrupted();
    setStopMode(StopMode::ExitNow);
    port_.setEcho(false);

    if (stopped && options.command == Command::Save) return kExitInterrupted;
    if (!port_.dialogRefusal().empty()) return fail(kExitUsage, port_.dialogRefusal());
    if (port_.lastStatus() == action->success) return kExitSuccess;
    if (port_.lastStatus().empty()) return fail(kExitFailed, "the action ended without a result");
    return kExitFailed;
}

}  // namespace zt::cli
