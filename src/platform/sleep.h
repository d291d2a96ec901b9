// The one way the tool waits. Tests replace it so that the loader wait and the retry budgets run
// in no time; the replacement must be set before any worker starts and is then read-only.
#pragma once

namespace zt {

using SleepHook = void (*)(int milliseconds);

// Sleeps for `milliseconds` (nothing for 0 or less), or calls the hook when one is set.
void sleepMilliseconds(int milliseconds);
// Sets the hook; nullptr restores the real sleep.
void setSleepHook(SleepHook hook);

}  // namespace zt
