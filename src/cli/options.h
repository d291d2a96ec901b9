// What the command line asks for, once parsed. Plain values; the parser checks their form, the
// session checks them against the devices that are attached.
#pragma once

#include <string>

namespace zt::cli {

enum class Command { List, Update, Save, Load, Wavetables };

struct Options {
    Command command = Command::List;
    std::string file;          // update, save, load, wavetables
    std::string device;        // --device: a kind's name, any case; "" when not given
    char bank = 0;             // --bank: 'A', 'B', or 0 when not given
    double waitSeconds = 0;    // --wait: how long to wait for the kind to appear
    bool force = false;        // save --force: replace an existing file
    bool json = false;         // list --json
};

// Exit statuses.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;       // the action failed; the message carries its code
inline constexpr int kExitUsage = 2;        // wrong usage: the command line, or the wrong kind
inline constexpr int kExitInterrupted = 130;  // Ctrl-C

}  // namespace zt::cli
