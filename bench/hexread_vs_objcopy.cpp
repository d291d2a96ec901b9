// The HEX reader against objcopy on the same firmware-sized file, each as a whole process, so that
// both pay for starting up, opening the file and producing their image.
//
// Usage: zt_bench_hexread_vs_objcopy [rounds]   (default 15)
// Prints "hexread_vs_objcopy: <median of our time / objcopy's time over the rounds>" and the goal.
// Internally re-runs itself as "zt_bench_hexread_vs_objcopy --read <file>" for our side.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "firmware/firmware_image.h"

extern char** environ;

namespace {

zt::FirmwareImage image;

// Runs a program to its end with its output discarded; gives the wall time in seconds, or a
// negative value when it could not be run or did not exit with 0.
double runTimed(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int status = 0;
    if (waitpid(child, &status, 0) != child) return -1;
    const auto stop = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return std::chrono::duration<double>(stop - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int fail(const char* what) {
    std::fprintf(stderr, "hexread_vs_objcopy: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "--read") == 0)
        return zt::readHexFile(image, argv[2], nullptr) >= 0 ? 0 : 1;

    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();

    char folderTemplate[] = "/tmp/zt-hexbench-XXXXXX";
    if (mkdtemp(folderTemplate) == nullptr) return fail("cannot make a temporary folder");
    const std::filesystem::path folder = folderTemplate;
    const std::string binary = (folder / "firmware.bin").string();
    const std::string hex = (folder / "firmware.hex").string();
    const std::string back = (folder / "back.bin").string();

    // As much as the image holds: a file reaching its last byte is refused by the range rule.
    std::vector<std::uint8_t> data(zt::FirmwareImage::kSize - 1);
    std::mt19937 random(1);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
    std::ofstream(binary, std::ios::binary)
        .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));

    int status = 0;
    if (runTimed({"objcopy", "-I", "binary", "-O", "ihex", binary, hex}) < 0) {
        status = fail("objcopy could not make the HEX file");
    } else if (zt::readHexFile(image, hex, nullptr) != static_cast<std::int32_t>(data.size()) ||
               std::memcmp(image.bytes.data(), data.data(), data.size()) != 0) {
        status = fail("the reader did not read back what objcopy wrote");
    } else {
        const std::vector<std::string> ours = {self, "--read", hex};
        const std::vector<std::string> theirs = {"objcopy", "-I", "ihex", "-O", "binary", hex, back};
        runTimed(ours);  // warm the page cache and the dynamic loader for both
        runTimed(theirs);
        std::vector<double> ratios;
        for (int round = 0; round < rounds && status == 0; ++round) {
            // Alternate which goes first, so neither always runs on a cache the other warmed.
            const bool oursFirst = round % 2 == 0;
            const double a = runTimed(oursFirst ? ours : theirs);
            const double b = runTimed(oursFirst ? theirs : ours);
            if (a < 0 || b < 0) {
                status = fail("a run failed");
                break;
            }
            ratios.push_back(oursFirst ? a / b : b / a);
        }
        if (status == 0) {
            std::printf("hexread_vs_objcopy: %.3f\n", median(ratios));
            std::printf("goal: hexread_vs_objcopy <= 0.30\n");
        }
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return status;
}
