// One run of the terminal front end over a Tool: the searching, the choice of the kind and the
// action, each raised as the window's buttons raise them and served through the dispatcher, with
// the calling thread as the worker: nothing else needs it while an action runs. Results (the
// device list) go to `out`; status lines, progress and messages to `err`.
#pragma once

#include <optional>
#include <ostream>
#include <vector>

#include "cli/options.h"

namespace zt {
class Tool;
}

namespace zt::cli {

class TerminalPort;

class Session {
public:
    Session(Tool& tool, TerminalPort& port, std::ostream& out, std::ostream& err);

    // Runs the command; gives the exit status.
    int run(const Options& options);

private:
    // Raises the request and serves it.
    template <typename Raise>
    void serve(Raise raise);
    // "Find Devices", repeated until the kind (or any kind) appears or the wait is over.
    void search(const Options& options, std::optional<unsigned> named);
    int list(bool json);
    int act(const Options& options, std::optional<unsigned> named);
    // The row of the kind to act on (the one named, if any), or minus the exit status after
    // saying why it cannot be chosen.
    int chooseRow(std::optional<unsigned> named);
    std::vector<unsigned> rowsWhere(bool closed) const;
    std::string namesOf(const std::vector<unsigned>& rows) const;
    int fail(int status, const std::string& message);

    Tool& tool_;
    TerminalPort& port_;
    std::ostream& out_;
    std::ostream& err_;
};

// The catalogue row whose name is `name`, compared without regard to case or spaces.
std::optional<unsigned> rowOfName(const Tool& tool, const std::string& name);

}  // namespace zt::cli
