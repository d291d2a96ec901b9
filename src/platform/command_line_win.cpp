#include "platform/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/wide_text.h"

namespace zt {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        std::string text;
        utf8FromWide(wide[i], text);
        arguments.push_back(text);
    }
    LocalFree(wide);
    return arguments;
}

}  // namespace zt
