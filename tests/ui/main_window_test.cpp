// What a failed control leaves of MainWindow's creation, and the focus. The rest: tests/qt, app.
#include <gtest/gtest.h>

#include "support/tool_fixture.h"

namespace zt::test {
namespace {

TEST_F(ToolTest, CreationStopsOnlyAtTheWindowACommandButtonOrTheBar) {
    const struct {
        const char* fault;
        int failingId;
        const char* made;  // created? | which of slots 0 to 6 | which of device rows 0 to 7 exist
    } cases[] = {
        {"a whole window reported as a failure", 0, "1|1111111|11111111"},
        {"a failed window reported as success", -1, "0|0000000|00000000"},
        {"controls made after a failed command button", 204, "0|1110000|00000000"},
        {"device buttons made after a failed progress bar", 221, "0|1111111|00000000"},
        {"a missing device button placed, or stopping the rest", 309, "1|1111111|11011111"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        FakeControlsPort fake;
        fake.failCreationOf(c.failingId);
        MainWindow window(tool->registry, fake, "v1.2.1");
        std::string made = window.create() ? "1|" : "0|";
        for (int slot = 0; slot < 7; ++slot) made += window.commandButton(slot) ? '1' : '0';
        made += '|';
        for (unsigned row = 0; row < 8; ++row) made += window.deviceButton(row) ? '1' : '0';
        EXPECT_EQ(made, c.made);
        window.placeDeviceButton(2, true, 116, 2);  // the fake refuses a control it never made
        EXPECT_EQ(fake.focus(), made[0] == '1' ? window.commandButton(0) : 0) << "focus elsewhere";
    }
}

}  // namespace
}  // namespace zt::test
