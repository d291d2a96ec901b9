#include <gtest/gtest.h>

#include <filesystem>

#include "devices/catalogue.h"
#include "devices/device_registry.h"
#include "transfer/transfer_files.h"

namespace zt::test {
namespace {

// Whether a file of each size passes each test, for each kind of capability.
TEST(PresetFiles, SizeRules) {
    DeviceRegistry registry;
    Catalogue catalogue{registry};
    TempFolder folder;
    struct Kind {
        const char* name;
        unsigned row;
        std::int64_t presets;     // the accepted presets size, 0 for none
        std::int64_t wavetables;  // the accepted wavetables size, 0 for none
    };
    const Kind kinds[] = {
        {"one bank (Kado)", 0, 704640, 0},
        {"two banks (Siravel)", 3, 1220736, 1024128},
        {"no presets (Vossa 1)", 1, 0, 0},
        {"loaders only (Mondrel)", 5, 0, 0},
    };
    std::vector<std::int64_t> sizes{0, 1, 64};
    for (std::int64_t s : {704640, 1220736, 1024128}) {
        for (std::int64_t d : {-64, -1, 0, 1, 64}) sizes.push_back(s + d);
    }
    for (std::int64_t size : sizes) {
        const std::string path = folder.file(std::to_string(size) + ".zentari");
        // Arbitrary contents: only the size may count.
        writeFile(path, arbitraryBytes(static_cast<std::size_t>(size), static_cast<std::uint32_t>(size)));
        for (const Kind& kind : kinds) {
            SCOPED_TRACE(testing::Message() << kind.name << ", " << size << " bytes");
            registry.select(kind.row);
            EXPECT_EQ(registry.presetsFileMatches(path), kind.presets != 0 && size == kind.presets);
            EXPECT_EQ(registry.wavetablesFileMatches(path),
                      kind.wavetables != 0 && size == kind.wavetables);
        }
    }
}

TEST(PresetFiles, NothingThatIsNotAReadableFileMatches) {
    DeviceRegistry registry;
    Catalogue catalogue{registry};
    registry.select(3);
    TempFolder folder;
    const std::string missing = folder.file("missing.zentari");
    const std::string directory = folder.file("folder.zentari");
    std::filesystem::create_directory(directory);
    for (const std::string& path : {missing, directory, std::string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(registry.presetsFileMatches(path));
        EXPECT_FALSE(registry.wavetablesFileMatches(path));
    }
}

}  // namespace
}  // namespace zt::test
