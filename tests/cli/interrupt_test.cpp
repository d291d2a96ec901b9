// Ctrl-C during a save, sent as SIGINT to a child process that runs zentari over a slow emulated
// device: the save stops, its temporary file goes, the old file stays, and the exit status is 130.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <iterator>
#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "hidsim/preset_device.h"
#include "support/hex_text.h"

namespace zt::test {
namespace {

std::size_t entries(const std::string& folder) {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++count;
    return count;
}

TEST(InterruptTest, CtrlCDuringASaveKeepsTheOldFile) {
    ScratchFolder folder;
    const std::string target = folder.write("bank.zentari", "the old bank");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        hidsim::detachAll();
        auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::OneBank);
        device->onWrite = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
        hidsim::attach(0x1FC9, 0x815B, device);
        std::ostringstream out;
        std::ostringstream err;
        std::_Exit(cli::runCli({"save", target, "--force"}, out, err, false));
    }
    // The temporary file beside the target shows that the save is under way.
    for (int waited = 0; entries(folder.path("")) < 2 && waited < 20000; ++waited) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_EQ(entries(folder.path("")), 1u);
    std::ifstream in(target);
    EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(in), {}) == "the old bank");
}

}  // namespace
}  // namespace zt::test
