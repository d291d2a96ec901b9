// Ctrl-C, sent as SIGINT to a child process that runs zentari over a slow emulated device. A save
// stops, its temporary file goes, the old file stays, and the exit status is 130. A load only
// warns at the first, as stopping it can leave half the presets, and stops at the second.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
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

TEST(InterruptTest, CtrlCDuringALoadWarnsFirstAndStopsAtTheSecond) {
    ScratchFolder folder;
    const std::string file = folder.write("bank.zentari", std::string(11010 * 64, '\x01'));
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    const pid_t child = fork();
    if (child == 0) {
        dup2(ends[1], STDERR_FILENO);
        auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::OneBank);
        device->onWrite = [] { std::this_thread::sleep_for(std::chrono::milliseconds(2)); };
        hidsim::attach(0x1FC9, 0x815B, device);
        std::ostringstream out;
        std::_Exit(cli::runCli({"load", file}, out, std::cerr, false));
    }
    close(ends[1]);
    std::string seen;
    auto readUntil = [&](const std::string& text) {
        char chunk[256];
        while (seen.find(text) == std::string::npos) {
            const ssize_t got = read(ends[0], chunk, sizeof chunk);
            if (got <= 0) return false;
            seen.append(chunk, static_cast<std::size_t>(got));
        }
        return true;
    };
    EXPECT_TRUE(readUntil("Transfer in progress..."));
    kill(child, SIGINT);
    EXPECT_TRUE(readUntil("half its presets. Press Ctrl-C again")) << seen;
    EXPECT_EQ(waitpid(child, nullptr, WNOHANG), 0) << "the first Ctrl-C ended the load";
    kill(child, SIGINT);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 130);
    close(ends[0]);
}

}  // namespace zt::test
