// Ctrl-C (SIGINT) to zentari in a child process over a slow device. A save stops with status 130,
// its temporary file gone, the old file kept; a load, which could leave half the presets, only
// warns at the first and stops at the second.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <iostream>
#include <sstream>

#include "cli/cli.h"
#include "support/tool_fixture.h"

namespace zt::test {
namespace {

bool shows(const std::string& log, const std::string& text) {  // within 20 s
    for (int ms = 0; ms < 20000; ++ms) {
        const Bytes seen = readFile(log);
        if (std::string(seen.begin(), seen.end()).find(text) != std::string::npos) return true;
        usleep(1000);
    }
    return false;
}

// zentari in a child process over a slow device, its error output in `log`, sent a Ctrl-C once its
// transfer is under way (the first percent comes after a save's temporary file).
pid_t interruptedZentari(const std::vector<std::string>& args, const std::string& log) {
    const pid_t child = fork();
    if (child == 0) {
        if (std::freopen(log.c_str(), "w", stderr) == nullptr) std::_Exit(99);
        auto device = std::make_shared<hidsim::PresetDevice>(hidsim::PresetDevice::Shape::OneBank);
        device->onWrite = [] { usleep(2000); };
        hidsim::attach(0x1FC9, 0x815B, device);
        std::ostringstream out;
        std::_Exit(cli::runCli(args, out, std::cerr, false));
    }
    EXPECT_TRUE(shows(log, "\n1%\n"));
    kill(child, SIGINT);
    return child;
}

int exitStatus(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(InterruptTest, CtrlCDuringASaveKeepsTheOldFile) {
    ScratchFolder folder;
    const std::string target = folder.write("bank.zentari", "the old bank");
    EXPECT_EQ(exitStatus(interruptedZentari({"save", target, "--force"}, folder.path("log"))), 130);
    EXPECT_EQ(entries(folder.path("")), 2) << "the temporary file stays";
    EXPECT_EQ(std::filesystem::file_size(target), 12u) << "the old bank";
}

TEST(InterruptTest, CtrlCDuringALoadWarnsFirstAndStopsAtTheSecond) {
    ScratchFolder folder;
    const std::string file = folder.write("bank.zentari", std::string(11010 * 64, '\x01'));
    const pid_t load = interruptedZentari({"load", file}, folder.path("log"));
    EXPECT_TRUE(shows(folder.path("log"), "half its presets. Press Ctrl-C again"));
    EXPECT_EQ(waitpid(load, nullptr, WNOHANG), 0) << "the first Ctrl-C ended the load";
    kill(load, SIGINT);
    EXPECT_EQ(exitStatus(load), 130);
}

}  // namespace
}  // namespace zt::test
