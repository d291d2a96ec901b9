// How the idle worker sleeps until a request raises its wake word. One implementation per platform,
// chosen by the build: std::atomic's own wait where it works (Linux, macOS), the system's
// address wait on Windows, where MinGW's libstdc++ (GCC 12) can miss a notify_one and leave the
// worker asleep for good.
#pragma once

#include <atomic>
#include <cstdint>

namespace zt {

// Blocks while `word` holds `current`. May return early for no reason; the caller looks again.
void waitWhileEqual(std::atomic<std::int32_t>& word, std::int32_t current);

// Wakes one thread blocked in waitWhileEqual on `word`. Call after storing the new value.
void wakeOneWaiter(std::atomic<std::int32_t>& word);

}  // namespace zt
