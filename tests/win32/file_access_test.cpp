// The Windows file calls behind the firmware reader and the transfers: UTF-8 paths must reach the
// file system through the wide-character calls, so names outside the system code page work, and a
// replaced file is either wholly new or untouched.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "app/wide_text.h"
#include "firmware/open_for_reading.h"
#include "transfer/replace_file.h"

namespace zt::test {
namespace {

std::string utf8(const std::wstring& wide) {
    std::string text;
    utf8FromWide(wide, text);
    return text;
}

class WindowsFileAccess : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        // The folder itself has a name no single-byte code page holds.
        folder_ = std::filesystem::path(temp) /
                  (L"zt-\u00e9\u65b0-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(++counter_));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    std::string pathOf(const std::wstring& name) const { return utf8((folder_ / name).wstring()); }

    static void write(const std::string& path, const std::string& content) {
        std::FILE* file = openFile(path, "wb");
        ASSERT_NE(file, nullptr) << path;
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }

    static std::string read(const std::string& path) {
        std::FILE* file = openForReading(path);
        if (file == nullptr) return "<cannot open>";
        std::string content;
        char buffer[64];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) content.append(buffer, n);
        std::fclose(file);
        return content;
    }

    std::filesystem::path folder_;
    static inline int counter_ = 0;
};

TEST_F(WindowsFileAccess, NamesOutsideTheCodePageAreWrittenReadAndRemoved) {
    const std::wstring names[] = {
        L"plain.zentari",
        L"caf\u00e9 presets.zentari",    // Latin-1
        L"\u65b0\u3057\u3044.zentari",   // CJK
        L"\U0001F3B9 keys.zentari",      // outside the basic plane: a surrogate pair
        L"\u0416\u0443\u043a.kzt",       // Cyrillic, firmware extension
    };
    for (const std::wstring& name : names) {
        SCOPED_TRACE(utf8(name));
        const std::string path = pathOf(name);
        write(path, "abc");
        // The file carries the real name, not a code-page approximation of it.
        EXPECT_NE(GetFileAttributesW((folder_ / name).c_str()), INVALID_FILE_ATTRIBUTES);
        std::FILE* file = openFile(path, "rb");
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(regularFileSize(file), 3);
        std::fclose(file);
        EXPECT_EQ(read(path), "abc");
        EXPECT_TRUE(removeFile(path));
        EXPECT_EQ(GetFileAttributesW((folder_ / name).c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(WindowsFileAccess, MalformedOrEmptyPathsOpenNothing) {
    const std::string bad[] = {"", pathOf(L"x") + "\xC3", pathOf(L"y") + "\xFF.zentari"};
    for (const std::string& path : bad) {
        EXPECT_EQ(openFile(path, "rb"), nullptr);
        EXPECT_EQ(openForReading(path), nullptr);
        EXPECT_FALSE(removeFile(path));
    }
}

TEST_F(WindowsFileAccess, AFolderIsNoRegularFile) {
    std::FILE* file = openFile(utf8(folder_.wstring()), "rb");
    if (file != nullptr) {
        EXPECT_EQ(regularFileSize(file), -1);
        std::fclose(file);
    }
}

TEST_F(WindowsFileAccess, ReplacingPutsTheNewFileInPlaceOrLeavesTheOldOne) {
    const std::string target = pathOf(L"bank \u00e4.zentari");
    write(target, "old");
    // Someone else's file where the temporary would go is never taken over.
    write(target + ".part", "theirs");

    std::string temporary;
    std::FILE* file = createFileBeside(target, temporary);
    ASSERT_NE(file, nullptr);
    EXPECT_NE(temporary, target + ".part");
    EXPECT_EQ(std::filesystem::path(std::filesystem::u8path(temporary)).parent_path(), folder_);
    std::fputs("new", file);
    std::fclose(file);
    EXPECT_EQ(read(target + ".part"), "theirs");

    // A replacement from a file that is not there fails and leaves the target as it was.
    EXPECT_FALSE(replaceFile(pathOf(L"missing"), target));
    EXPECT_EQ(read(target), "old");

    EXPECT_TRUE(replaceFile(temporary, target));
    EXPECT_EQ(read(target), "new");
    EXPECT_EQ(read(temporary), "<cannot open>");
}

TEST_F(WindowsFileAccess, NoTemporaryInAFolderThatDoesNotExist) {
    std::string temporary = "unchanged";
    EXPECT_EQ(createFileBeside(pathOf(L"no such folder\\file.zentari"), temporary), nullptr);
    EXPECT_EQ(temporary, "unchanged");
}

}  // namespace
}  // namespace zt::test
