#include "platform/idle_wait.h"

namespace zt {

void waitWhileEqual(std::atomic<std::int32_t>& word, std::int32_t current) { word.wait(current); }

void wakeOneWaiter(std::atomic<std::int32_t>& word) { word.notify_one(); }

}  // namespace zt
