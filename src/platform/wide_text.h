// UTF-8 <-> UTF-16 for the Windows build, where file names and window texts cross the wide
// (UTF-16) system calls while the tool keeps every path and text as UTF-8. Only Windows builds
// define these (wide_text_win.cpp). Pure functions; any thread.
#pragma once

#include <string>

namespace zt {

// The UTF-16 form of `text`. Gives false, leaving `wide` empty, when `text` is not valid UTF-8.
bool wideFromUtf8(const std::string& text, std::wstring& wide);

// The UTF-8 form of `wide`. Gives false, leaving `text` empty, when `wide` holds an unpaired
// surrogate, which no UTF-8 text can stand for.
bool utf8FromWide(const std::wstring& wide, std::string& text);

}  // namespace zt
