// Fails every test that ends with a hid handle still open: a missing hid_close is a leak on a
// real system (and, on Windows, a device that another program can no longer open).
#include <gtest/gtest.h>

#include "hidsim/hidsim.h"

namespace {

class OpenHandlesCheck : public testing::EmptyTestEventListener {
    void OnTestEnd(const testing::TestInfo&) override {
        const int open = hidsim::takeOpenHandles();
        if (open != 0) ADD_FAILURE() << open << " hid handle(s) left open at the end of the test";
    }
};

const bool registered = [] {
    testing::UnitTest::GetInstance()->listeners().Append(new OpenHandlesCheck);
    return true;
}();

}  // namespace
