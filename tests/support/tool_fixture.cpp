#include "support/tool_fixture.h"

#include <algorithm>
#include <atomic>
#include <fstream>
#include <iterator>
#include <random>

#include "platform/sleep.h"

namespace zt::test {

static std::atomic<long long> slept{0};

long long sleptMilliseconds() { return slept.load(); }

Bytes readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

ToolTest::ToolTest()
    : folder(std::filesystem::temp_directory_path() /
             ("zt-test-" + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directories(folder);
}

ToolTest::~ToolTest() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

void ToolTest::SetUp() {
    hidsim::detachAll();
    slept.store(0);
    setSleepHook([](int ms) { slept.fetch_add(std::max(ms, 0)); });
    tool = std::make_unique<Tool>(port);
    ASSERT_TRUE(tool->window.create());
}

void ToolTest::TearDown() {
    tool.reset();
    hidsim::detachAll();
    setSleepHook(nullptr);
}

void ToolTest::pressAction(int slot) {
    tool->dispatcher.onCommand(tool->window.commandButton(slot), 0);
    while (tool->dispatcher.servePass()) {
    }
}

std::vector<std::string> ToolTest::folderEntries() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zt::test
