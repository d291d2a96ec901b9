#include "support/tool_fixture.h"

#include <atomic>

#include "platform/sleep.h"

namespace zt::test {

static std::atomic<long long> slept{0};

long long sleptMilliseconds() { return slept.load(); }
void resetSleep() { slept.store(0); }

void ToolTest::SetUp() {
    hidsim::detachAll();
    resetSleep();
    setSleepHook([](int ms) { slept.fetch_add(ms > 0 ? ms : 0); });
    tool = std::make_unique<Tool>(port);
    ASSERT_TRUE(tool->window.create());
}

void ToolTest::TearDown() {
    tool.reset();
    hidsim::detachAll();
    setSleepHook(nullptr);
}

}  // namespace zt::test
