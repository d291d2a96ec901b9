// Whole-process timing for the benchmarks that set two programs side by side: each run is timed
// from fork to the exit seen by waitpid (exec, dynamic loading, the program's work, its output to
// /dev/null, so no terminal slows either), the two in alternation, medians over the runs.
#pragma once

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

struct Program {
    const char* const* argv;  // argv[0] without a slash is looked up in PATH
    int allowedStatus = 0;    // an exit status besides 0 that still counts as a run
};

// Milliseconds from fork to the program's exit, or a negative value when it could not be started
// or did not exit with a status it may give.
inline double timeProgram(const Program& program) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child < 0) return -1;
    if (child == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(program.argv[0], const_cast<char* const*>(program.argv));
        _exit(127);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status)) return -1;
    if (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != program.allowedStatus) return -1;
    const auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

inline double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The median time of `ours` over that of `theirs`, after `warmUps` uncounted runs of each (they
// fill the caches); -1 when ours failed, -2 when theirs failed.
inline double medianRatio(const Program& ours, const Program& theirs, int warmUps, int runs) {
    std::vector<double> a, b;
    for (int run = 0; run < warmUps + runs; ++run) {
        const double x = timeProgram(ours);
        const double y = timeProgram(theirs);
        if (x < 0) return -1;
        if (y < 0) return -2;
        if (run < warmUps) continue;
        a.push_back(x);
        b.push_back(y);
    }
    return median(a) / median(b);
}

}  // namespace bench
