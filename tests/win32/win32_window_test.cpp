// The real Win32 window over a Tool and the emulated devices, read back through Win32 itself, so a
// wrong class, id, place, text, style or message shows up even where MainWindow's logic passes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <memory>
#include <set>
#include <string>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "ui/win32/dialog_keys.h"
#include "ui/win32/win32_controls.h"

namespace zt::test {
namespace {

std::string textOf(HWND window) {
    char text[256] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

TEST(Win32Window, StartSearchAndSelectionFromTheKeyboard) {
    Win32Controls controls{GetModuleHandleA(nullptr)};
    Tool tool{controls};
    controls.setCommandTarget(&tool.dispatcher);
    ASSERT_TRUE(tool.window.create());
    const HWND window = controls.window();
    // A key as the message loop meets it: the window's keyboard path first.
    const auto key = [&](UINT message, WPARAM code) {
        MSG m{GetFocus(), message, code, 0, 0, {}};
        if (!handleDialogKeys(window, m)) DispatchMessageW(&m);
        while (tool.dispatcher.servePass()) continue;
    };
    // "id 'text' x,y wxh" of every visible control, sorted by id, then the status bar's text.
    const auto visibleControls = [&] {
        std::set<std::string> lines;
        for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (!IsWindowVisible(c) || c == controls.statusBar()) continue;
            RECT r{};
            GetWindowRect(c, &r);
            MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
            lines.insert(std::to_string(GetDlgCtrlID(c)) + " '" + textOf(c) + "' " +
                         std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                         std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top));
        }
        std::string all;
        for (const std::string& line : lines) all += line + "\n";
        return all + textOf(controls.statusBar());
    };
    EXPECT_EQ(textOf(window), "Zentari Tool");
    EXPECT_EQ(visibleControls(), "201 'Find Devices' 10,2 104x79\n");
    EXPECT_EQ(GetFocus(), GetDlgItem(window, 201));
    // Every device button has a tooltip; Siravel's names it and the button shows one picture.
    EXPECT_EQ(SendMessageW(controls.tooltip(), TTM_GETTOOLCOUNT, 0, 0), 8);
    HWND siravel = GetDlgItem(window, 313);
    wchar_t tip[32] = {};
    TOOLINFOW info{sizeof info, 0, window, reinterpret_cast<UINT_PTR>(siravel), {}, nullptr, tip,
                   0, nullptr};
    SendMessageW(controls.tooltip(), TTM_GETTEXTW, 32, reinterpret_cast<LPARAM>(&info));
    EXPECT_STREQ(tip, L"Siravel");
    BUTTON_IMAGELIST picture{};
    SendMessageW(siravel, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&picture));
    EXPECT_EQ(ImageList_GetImageCount(picture.himl), 1);
    EXPECT_EQ(Win32Controls::dialogFlags(FileDialogKind::Save), 0x1001u | OFN_OVERWRITEPROMPT);

    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresenceDevice>());  // row 0
    hidsim::attach(0x16D0, 0x0DAF, std::make_shared<hidsim::PresenceDevice>());  // row 3
    key(WM_KEYDOWN, VK_SPACE);
    key(WM_KEYUP, VK_SPACE);
    key(WM_KEYDOWN, VK_TAB);  // reading order (Kado, then Siravel), not the order of raising
    EXPECT_EQ(GetFocus(), GetDlgItem(window, 301));
    key(WM_KEYDOWN, VK_TAB);
    key(WM_KEYDOWN, VK_RETURN);
    EXPECT_EQ(visibleControls(), "201 'Find Devices' 10,2 104x79\n"
                                 "202 'Update' 10,86 104x79\n"
                                 "203 'Save Bank A' 116,86 104x24\n"
                                 "204 'Save Bank B' 222,86 104x24\n"
                                 "205 'Load Bank A' 116,113 104x24\n"
                                 "206 'Load Bank B' 222,113 104x24\n"
                                 "207 'Load Wavetables' 169,141 104x24\n"
                                 "313 'Siravel' 116,2 104x79\n"
                                 "Device selected");
    // The window stays (destroying one costs Wine seconds), but lets go of the port.
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    hidsim::detachAll();
}

}  // namespace
}  // namespace zt::test
