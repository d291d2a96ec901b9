#include "platform/stop_request.h"

#include <atomic>

namespace zt {

namespace {
std::atomic<bool> requested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the flag is set from a signal handler");
}  // namespace

void requestStop() { requested.store(true); }
bool stopRequested() { return requested.load(); }
void clearStopRequest() { requested.store(false); }

}  // namespace zt
