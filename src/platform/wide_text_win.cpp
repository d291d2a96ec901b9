#include "platform/wide_text.h"

#include <windows.h>

#include <climits>

namespace zt {

bool wideFromUtf8(const std::string& text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    if (text.size() > INT_MAX) return false;
    const int size = static_cast<int>(text.size());
    // MB_ERR_INVALID_CHARS: a malformed name must fail, not open a file whose name has a
    // replacement character where the bad bytes were.
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<std::size_t>(length));
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, wide.data(),
                            length) != length) {
        wide.clear();
        return false;
    }
    return true;
}

bool utf8FromWide(const std::wstring& wide, std::string& text) {
    text.clear();
    if (wide.empty()) return true;
    if (wide.size() > INT_MAX) return false;
    const int size = static_cast<int>(wide.size());
    const int length = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size,
                                           nullptr, 0, nullptr, nullptr);
    if (length <= 0) return false;
    text.resize(static_cast<std::size_t>(length));
    if (WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), size, text.data(), length,
                            nullptr, nullptr) != length) {
        text.clear();
        return false;
    }
    return true;
}

}  // namespace zt
