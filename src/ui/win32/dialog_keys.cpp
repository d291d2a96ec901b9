#include "ui/win32/dialog_keys.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace zt {

namespace {

std::pair<LONG, LONG> readingPlace(HWND control) {
    RECT place{};
    GetWindowRect(control, &place);
    return {place.top, place.left};
}

// Dialog navigation alone would follow the z-order, which raising the device buttons scrambles.
void focusNextButton(HWND window, bool backwards) {
    std::vector<HWND> stops;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if ((style & WS_TABSTOP) && IsWindowVisible(child) && IsWindowEnabled(child)) {
            stops.push_back(child);
        }
    }
    if (stops.empty()) return;
    std::stable_sort(stops.begin(), stops.end(),
                     [](HWND a, HWND b) { return readingPlace(a) < readingPlace(b); });
    const auto current = std::find(stops.begin(), stops.end(), GetFocus());
    std::size_t next = 0;
    if (current != stops.end()) {
        const std::size_t at = static_cast<std::size_t>(current - stops.begin());
        next = backwards ? (at + stops.size() - 1) % stops.size() : (at + 1) % stops.size();
    }
    // Keyboard use from here on: the focused button shows its focus rectangle.
    SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    SetFocus(stops[next]);
}

}  // namespace

bool handleDialogKeys(HWND window, MSG& message) {
    if (window == nullptr) return false;
    const bool ours = message.hwnd == window || IsChild(window, message.hwnd);
    if (ours && message.message == WM_KEYDOWN && message.wParam == VK_TAB) {
        focusNextButton(window, GetKeyState(VK_SHIFT) < 0);
        return true;
    }
    if (ours && message.message == WM_KEYDOWN && message.wParam == VK_RETURN &&
        message.hwnd != window) {
        SendMessageW(message.hwnd, BM_CLICK, 0, 0);
        return true;
    }
    return IsDialogMessageA(window, &message) != FALSE;
}

}  // namespace zt
