// `zentari list` against `lsusb`, the command people already use to see what is plugged in: the
// whole-process time of each (fork, exec, dynamic loading, the search, the output), in
// alternation, median over the runs. Both write to /dev/null, so no terminal slows either.
#include <cstdio>

#include "whole_process.h"

namespace {

constexpr const char* kGoal = "goal: cli_list_vs_lsusb <= 1.0";
constexpr int kRuns = 25;
constexpr int kWarmUps = 3;  // fill the page cache first

}  // namespace

int main() {
#if !defined(ZT_CLI_PATH)
    std::printf("cli_list_vs_lsusb: unavailable (built without zentari)\n%s\n", kGoal);
    return 0;
#else
    const char* const cli[] = {ZT_CLI_PATH, "list", nullptr};
    const char* const lsusb[] = {"lsusb", nullptr};
    // lsusb gives 1 on a machine without USB buses (a container), after doing its work all the
    // same.
    const double ratio = bench::medianRatio({cli}, {lsusb, 1}, kWarmUps, kRuns);
    if (ratio < 0) {
        std::printf("cli_list_vs_lsusb: unavailable (%s failed)\n%s\n",
                    ratio == -1 ? "zentari list" : "lsusb", kGoal);
        return ratio == -1 ? 1 : 0;
    }
    std::printf("cli_list_vs_lsusb: %.3f\n", ratio);
    std::printf("%s\n", kGoal);
    return 0;
#endif
}
