// Ctrl-C in the terminal front end. What it does depends on what runs:
// - nothing that touches a device: the process ends at once with 130;
// - a save: the save is asked to stop (it removes its temporary file and leaves the old file), and
//   the session ends with 130 once the save has ended;
// - an update or a load: stopping half way can leave the device without firmware or with half its
//   presets, so the first Ctrl-C only prints a warning, and a second one ends the process at once.
// The handler touches only lock-free atomics and writes with the platform's signal-safe write, so
// it is safe in a signal handler, and on Windows in the console's own handler thread.
#pragma once

namespace zt::cli {

enum class StopMode { ExitNow, StopSave, WarnFirst };

void installInterruptHandler();
// Sets the mode for what runs next and forgets earlier Ctrl-Cs.
void setStopMode(StopMode mode);
// True when a Ctrl-C arrived since the last setStopMode.
bool interrupted();

}  // namespace zt::cli
