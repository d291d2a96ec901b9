#include "platform/idle_wait.h"

#include <windows.h>

#include <synchapi.h>

namespace zt {

static_assert(sizeof(std::atomic<std::int32_t>) == sizeof(std::int32_t) &&
                  std::atomic<std::int32_t>::is_always_lock_free,
              "the system waits on the atomic's own four bytes");

void waitWhileEqual(std::atomic<std::int32_t>& word, std::int32_t current) {
    WaitOnAddress(reinterpret_cast<volatile void*>(&word), &current, sizeof current, INFINITE);
}

void wakeOneWaiter(std::atomic<std::int32_t>& word) {
    WakeByAddressSingle(reinterpret_cast<void*>(&word));
}

}  // namespace zt
