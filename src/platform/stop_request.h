// A request to stop the running action early, raised by the terminal front end's Ctrl-C handler.
// A save honours it between two records: it ends as a failure like any other, so its temporary
// file is removed and the old file stays. The firmware update and the loads do not look at it:
// stopping them half way leaves a device without firmware or with half its presets.
//
// Safe to call from a signal handler: one lock-free atomic flag, loaded and stored whole.
#pragma once

namespace zt {

void requestStop();
bool stopRequested();
void clearStopRequest();

}  // namespace zt
