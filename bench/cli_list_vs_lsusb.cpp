// `zentari list` against `lsusb`, the command people already use to see what is plugged in: the
// whole-process time of each (fork, exec, dynamic loading, the search, the output), in
// alternation, median over the runs. Both write to /dev/null, so no terminal slows either.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* kGoal = "goal: cli_list_vs_lsusb <= 1.0";
constexpr int kRuns = 25;
constexpr int kWarmUps = 3;  // fill the page cache first

// Milliseconds from fork to the program's exit, or a negative value when it could not be started
// or did not exit with a status it may give. lsusb gives 1 on a machine without USB buses (a
// container), after doing its work all the same.
double timeProgram(const char* const* argv, int allowedStatus) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    if (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != allowedStatus) return -1;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main() {
#if !defined(ZT_CLI_PATH)
    std::printf("cli_list_vs_lsusb: unavailable (built without zentari)\n%s\n", kGoal);
    return 0;
#else
    const char* const cli[] = {ZT_CLI_PATH, "list", nullptr};
    const char* const lsusb[] = {"lsusb", nullptr};
    std::vector<double> ours, theirs;
    for (int run = 0; run < kWarmUps + kRuns; ++run) {
        const double a = timeProgram(cli, 0);
        const double b = timeProgram(lsusb, 1);
        if (a < 0 || b < 0) {
            std::printf("cli_list_vs_lsusb: unavailable (%s failed)\n%s\n",
                        a < 0 ? "zentari list" : "lsusb", kGoal);
            return a < 0 ? 1 : 0;
        }
        if (run < kWarmUps) continue;
        ours.push_back(a);
        theirs.push_back(b);
    }
    std::printf("cli_list_vs_lsusb: %.3f\n", median(ours) / median(theirs));
    std::printf("%s\n", kGoal);
    return 0;
#endif
}
