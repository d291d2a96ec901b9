#include <gtest/gtest.h>

#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

// Whether each file passes each kind's tests: only the size of a regular file counts.
using PresetFiles = TransferTest;

TEST_F(PresetFiles, SizeRules) {
    struct Kind { unsigned row; std::int64_t presets, wavetables; };  // accepted sizes, 0 for none
    const Kind kinds[] = {{0, 704640, 0}, {3, 1220736, 1024128}, {1, 0, 0}, {5, 0, 0}};
    std::filesystem::create_directory(folder.file("folder"));
    std::vector<std::pair<std::string, std::int64_t>> files{
        {folder.file("missing"), -1}, {folder.file("folder"), -1}, {"", -1}};
    std::vector<std::int64_t> sizes{0, 1, 64};
    for (std::int64_t a : {704640, 1220736, 1024128})
        sizes.insert(sizes.end(), {a - 64, a - 1, a, a + 1, a + 64});
    for (std::int64_t size : sizes) files.emplace_back(folder.file(std::to_string(size)), size);
    for (const auto& [path, size] : files) {
        if (size >= 0) writeFile(path, arbitraryBytes(std::size_t(size), std::uint32_t(size)));
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(testing::Message() << "row " << kind.row << ", " << path);
            tool->registry.select(kind.row);
            EXPECT_EQ(tool->registry.presetsFileMatches(path), kind.presets != 0 && size == kind.presets);
            EXPECT_EQ(tool->registry.wavetablesFileMatches(path),
                      kind.wavetables != 0 && size == kind.wavetables);
        }
    }
}

}  // namespace
}  // namespace zt::test
