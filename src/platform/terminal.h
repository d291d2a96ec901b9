// Whether the standard error stream goes to a terminal (a console window on Windows), where a
// progress bar can redraw itself in place. One file per platform. Any thread.
#pragma once

namespace zt {

bool stderrIsTerminal();

}  // namespace zt
