#include "support/tool_fixture.h"

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
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                std::streamsize(bytes.size()));
}

Bytes savedBank(const hidsim::PresetDevice& device, int bank, int slots) {
    Bytes file{0x21, 0, 1};  // setPcConnection 1 first, 0 last
    file.resize(64);
    for (int slot = 0; slot < slots; ++slot) {
        for (int selector : {bank, bank + 2}) {
            for (const hidsim::Record& r : device.section(selector, slot)) {
                file.insert(file.end(), r.begin(), r.end());
            }
        }
    }
    file.push_back(0x21);
    file.resize(file.size() + 63);
    return file;
}

ToolTest::ToolTest()
    : folder(std::filesystem::temp_directory_path() /
             ("zt-test-" + std::to_string(std::random_device{}()))) {
    std::filesystem::create_directories(folder);
}

ToolTest::~ToolTest() { std::filesystem::remove_all(folder); }

void ToolTest::SetUp() {
    hidsim::detachAll();
    slept.store(0);
    setSleepHook([](int ms) { slept.fetch_add(ms); });
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

}  // namespace zt::test
