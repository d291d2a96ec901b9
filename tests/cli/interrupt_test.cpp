// Ctrl-C during a save, sent as SIGINT to a child process that runs zentari over a slow emulated
// device: the save stops, its temporary file goes, the old file stays, and the exit status is 130.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <sstream>
#include <thread>

#include "cli/cli.h"
#include "support/tool_fixture.h"

namespace zt::test {

TEST(InterruptTest, CtrlCDuringASaveKeepsTheOldFile) {
    ScratchFolder folder;
    const std::string target = folder.write("bank.zentari", "the old bank");
    const pid_t child = fork();
    if (child == 0) {
        auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::OneBank);
        device->onWrite = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
        hidsim::attach(0x1FC9, 0x815B, device);
        std::ostringstream out;
        std::_Exit(cli::runCli({"save", target, "--force"}, out, out, false));
    }
    // The temporary file beside the target shows that the save is under way.
    for (int ms = 0; entries(folder.path("")) < 2 && ms < 20000; ++ms) usleep(1000);
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
    EXPECT_EQ(entries(folder.path("")), 1);
    EXPECT_EQ(std::filesystem::file_size(target), 12u) << "the old bank";
}

}  // namespace zt::test
