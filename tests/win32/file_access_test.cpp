// The transfers' file calls on Windows: UTF-8 names outside the system code page, and a save
// whose target name ends near the path limit, must work through the wide calls.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/replace_file.h"

namespace zt::test {
namespace {

namespace fs = std::filesystem;

std::string utf8(const fs::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

TEST(WindowsFileAccess, WideNamesAndTargetsNearThePathLimit) {
    const fs::path folder = fs::temp_directory_path() / L"zt-\u00e9\u65b0";
    fs::create_directories(folder);
    const std::size_t room = 259 - folder.wstring().size() - 1;  // up to MAX_PATH - 1
    for (const std::wstring& name : {std::wstring(L"\U0001F3B9\u00e9"), std::wstring(room, L'n')}) {
        const std::string target = utf8(folder / name);
        std::string temporary;
        std::FILE* file = createFileBeside(target, temporary);
        ASSERT_NE(file, nullptr) << target;
        EXPECT_GE(std::fputs("new!", file), 0);
        EXPECT_EQ(std::fclose(file), 0);
        EXPECT_TRUE(replaceFile(temporary, target));
        EXPECT_TRUE(fs::exists(folder / name));  // by its real name, not a code-page guess
        std::FILE* opened = openFile(target, "rb");
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(regularFileSize(opened), 4);
        std::fclose(opened);
        EXPECT_TRUE(removeFile(target));
        EXPECT_TRUE(fs::is_empty(folder));
    }
    EXPECT_EQ(openFile(utf8(folder) + "\\x\xC3", "rb"), nullptr);  // not UTF-8
    fs::remove_all(folder);
}

}  // namespace
}  // namespace zt::test
