// A fresh folder under the temporary folder for a test's files, removed with the object. Names and
// paths are UTF-8 both ways, as the tool keeps them. Header-only, so benchmarks can use it.
#pragma once

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

namespace zt::test {

class ScratchFolder {
public:
    ScratchFolder() {
        static int counter = 0;
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("zt-test-" + std::to_string(now) + "-" + std::to_string(++counter));
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path(const std::string& name) const {
        const std::u8string full = (path_ / std::u8string(name.begin(), name.end())).u8string();
        return std::string(full.begin(), full.end());
    }
    // Writes the bytes as they are (binary) and gives the file's path.
    std::string write(const std::string& name, const std::string& contents) const {
        const std::string p = path(name);
        std::ofstream(std::filesystem::path(std::u8string(p.begin(), p.end())), std::ios::binary)
            << contents;
        return p;
    }

private:
    std::filesystem::path path_;
};

}  // namespace zt::test
