// The Windows file calls behind the firmware reader and the transfers: UTF-8 paths must reach the
// file system through the wide calls, so names outside the system code page work.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "platform/replace_file.h"

namespace zt::test {
namespace {

TEST(WindowsFileAccess, NamesOutsideTheCodePageGoThroughEveryCall) {
    namespace fs = std::filesystem;
    auto utf8 = [](const fs::path& path) { const auto text = path.u8string(); return std::string(text.begin(), text.end()); };
    // The folder's own name is outside every single-byte code page too.
    const fs::path folder = fs::temp_directory_path() / L"zt-\u00e9\u65b0-files";
    fs::create_directories(folder);
    // Every file in the folder with its content, by its real name, not a code-page approximation.
    auto listing = [&] {
        std::map<std::wstring, std::string> all;
        for (const auto& entry : fs::directory_iterator(folder)) {
            std::ifstream in(entry.path(), std::ios::binary);
            all[entry.path().filename().wstring()].assign(std::istreambuf_iterator<char>(in), {});
        }
        return all;
    };

    const std::wstring names[] = {L"caf\u00e9 presets.zentari", L"\u65b0\u3057\u3044.zentari",
                                  L"\U0001F3B9 keys.zentari" /* a surrogate pair */, L"\u0416\u0443\u043a.kzt"};
    for (const std::wstring& name : names) {
        const std::string path = utf8(folder / name);
        SCOPED_TRACE(path);
        std::ofstream(folder / name) << "old";
        std::ofstream(folder / (name + L".part")) << "theirs";  // never taken over for the temporary
        std::string temporary;
        std::FILE* file = createFileBeside(path, temporary);
        ASSERT_NE(file, nullptr);
        std::fputs("new!", file);
        std::fclose(file);
        EXPECT_TRUE(replaceFile(temporary, path));
        EXPECT_EQ(listing(), (std::map<std::wstring, std::string>{{name, "new!"}, {name + L".part", "theirs"}}));
        std::FILE* opened = openFile(path, "rb");
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(regularFileSize(opened), 4);
        std::fclose(opened);
        EXPECT_TRUE(removeFile(path) && removeFile(path + ".part"));
        EXPECT_TRUE(listing().empty());
    }
    // Malformed UTF-8 names nothing, rather than whatever file a lossy conversion happens to name.
    for (const std::string& bad : {std::string(), utf8(folder) + "\\x\xC3"}) {
        EXPECT_EQ(openFile(bad, "rb"), nullptr);
    }
    fs::remove_all(folder);
}

}  // namespace
}  // namespace zt::test
