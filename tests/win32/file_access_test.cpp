// The transfers' file calls on Windows: UTF-8 names outside the system code page, and a save
// target whose name ends just inside the path limit, go through the wide calls.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/replace_file.h"

namespace fs = std::filesystem;

TEST(WindowsFileAccess, WideNamesAndTargetsNearThePathLimit) {
    const fs::path folder = fs::temp_directory_path() / L"zt-\u00e9\u65b0";
    fs::create_directories(folder);
    const std::size_t room = 259 - folder.wstring().size() - 1;  // up to MAX_PATH - 1
    for (const std::wstring& name : {std::wstring(L"\U0001F3B9\u00e9"), std::wstring(room, L'n')}) {
        const std::u8string utf8 = (folder / name).u8string();
        const std::string target(utf8.begin(), utf8.end());
        std::string temporary;
        std::FILE* file = zt::createFileBeside(target, temporary);
        ASSERT_NE(file, nullptr) << target;
        EXPECT_GE(std::fputs("new!", file), 0);
        EXPECT_EQ(std::fclose(file), 0);
        EXPECT_TRUE(zt::replaceFile(temporary, target));
        EXPECT_TRUE(fs::exists(folder / name));  // by its real name, not a code-page guess
        std::FILE* opened = zt::openFile(target, "rb");
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(zt::regularFileSize(opened), 4);
        std::fclose(opened);
        EXPECT_TRUE(zt::removeFile(target));
        EXPECT_TRUE(fs::is_empty(folder));
    }
    EXPECT_EQ(zt::openFile("x\xC3", "rb"), nullptr);  // not UTF-8: names nothing
    fs::remove_all(folder);
}
