// The real Win32 window over a Tool and the emulated devices, read back through Win32 itself, so a
// wrong class, id, place, text, style or message shows up even where MainWindow's logic passes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <thread>

#include "app/tool.h"
#include "hidsim/hidsim.h"
#include "platform/sleep.h"
#include "platform/wide_text.h"
#include "ui/win32/dialog_keys.h"
#include "ui/win32/win32_controls.h"

namespace zt::test {
namespace {

std::string textOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    std::string utf8;
    utf8FromWide(text, utf8);
    return utf8;
}

// "id class 'text' x,y wxh" in the parent's client area; the status bar (whose height is the
// system's) as "id class 'text of its first part'".
std::string describe(HWND control) {
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    CharLowerA(name);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    const std::string head =
        std::to_string(GetDlgCtrlID(control)) + " " + name + " '" + textOf(control) + "'";
    if (std::string(name) == "msctls_statusbar32") return head + "\n";
    return head + " " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "\n";
}

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override {
        setSleepHook([](int) {});
        controls.setCommandTarget(&tool.dispatcher);
        ASSERT_TRUE(tool.window.create());
        window = controls.window();
    }
    void TearDown() override {
        // The window stays (destroying one costs Wine seconds), but lets go of the port.
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        hidsim::detachAll();
        setSleepHook(nullptr);
    }
    // A key as the message loop meets it: first the window's keyboard path.
    void key(WPARAM code) {
        MSG message{GetFocus(), WM_KEYDOWN, code, 0, 0, {}};
        if (!handleDialogKeys(window, message)) DispatchMessageW(&message);
        while (tool.dispatcher.servePass()) continue;
    }
    // Every visible control; the ids have three digits each, so the set sorts them by id.
    std::string visibleControls() const {
        std::set<std::string> lines;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsWindowVisible(child)) lines.insert(describe(child));
        }
        std::string all;
        for (const std::string& line : lines) all += line;
        return all;
    }

    Win32Controls controls{GetModuleHandleA(nullptr)};
    Tool tool{controls};
    HWND window = nullptr;
};

TEST_F(Win32Window, StartSearchAndSelectionFromTheKeyboard) {
    EXPECT_EQ(describe(window), "0 zentaritoolmainwindow 'Zentari Tool' " +
                                    std::to_string((GetSystemMetrics(SM_CXSCREEN) - 350) / 2) + "," +
                                    std::to_string((GetSystemMetrics(SM_CYSCREEN) - 235) / 2) + " 350x235\n");
    EXPECT_EQ(visibleControls(), "201 button 'Find Devices' 10,2 104x79\n"
                                 "211 msctls_statusbar32 ''\n");
    wchar_t version[16] = {};
    SendMessageW(controls.statusBar(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(version));
    EXPECT_STREQ(version, L"v1.2.1");
    EXPECT_EQ(GetFocus(), GetDlgItem(window, 201));
    // Each device button: its kind's name as window text and as tooltip, a tab stop, a picture.
    EXPECT_EQ(SendMessageW(controls.tooltip(), TTM_GETTOOLCOUNT, 0, 0), 8);
    for (int row = 0; row < 8; ++row) {
        HWND button = GetDlgItem(window, 301 + 4 * row);
        wchar_t tip[32] = {};
        TOOLINFOW tool{sizeof tool, 0, window, reinterpret_cast<UINT_PTR>(button)};
        tool.lpszText = tip;
        SendMessageW(controls.tooltip(), TTM_GETTEXTW, 32, reinterpret_cast<LPARAM>(&tool));
        EXPECT_EQ(std::wstring(tip), std::filesystem::u8path(textOf(button)).wstring()) << row;
        EXPECT_TRUE(GetWindowLongW(button, GWL_STYLE) & WS_TABSTOP) << row;
        BUTTON_IMAGELIST picture{};
        SendMessageW(button, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&picture));
        EXPECT_EQ(ImageList_GetImageCount(picture.himl), 1) << row;
    }

    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresenceDevice>());  // row 0
    hidsim::attach(0x16D0, 0x0DAF, std::make_shared<hidsim::PresenceDevice>());  // row 3
    key(VK_SPACE);  // pressed on key-up
    MSG up{GetFocus(), WM_KEYUP, VK_SPACE, 0, 0, {}};
    DispatchMessageW(&up);
    while (tool.dispatcher.servePass()) continue;
    EXPECT_EQ(visibleControls(), "201 button 'Find Devices' 10,2 104x79\n"
                                 "211 msctls_statusbar32 'Devices found, select one'\n"
                                 "301 button 'Kado' 116,2 104x79\n"
                                 "313 button 'Siravel' 222,2 104x79\n");
    key(VK_TAB);  // reading order, not the order of raising
    EXPECT_EQ(GetFocus(), GetDlgItem(window, 301));
    key(VK_TAB);
    key(VK_RETURN);
    const std::string selected = "201 button 'Find Devices' 10,2 104x79\n"
                                 "202 button 'Update' 10,86 104x79\n"
                                 "203 button 'Save Bank A' 116,86 104x24\n"
                                 "204 button 'Save Bank B' 222,86 104x24\n"
                                 "205 button 'Load Bank A' 116,113 104x24\n"
                                 "206 button 'Load Bank B' 222,113 104x24\n"
                                 "207 button 'Load Wavetables' 169,141 104x24\n"
                                 "211 msctls_statusbar32 'Device selected'\n"
                                 "313 button 'Siravel' 116,2 104x79\n";
    EXPECT_EQ(visibleControls(), selected);
    // Raised above its siblings, so no hidden neighbour at the same place can cover it.
    EXPECT_EQ(GetWindow(window, GW_CHILD), GetDlgItem(window, 313));
    SendMessageW(GetDlgItem(window, 313), BM_CLICK, 0, 0);
    while (tool.dispatcher.servePass()) continue;
    EXPECT_EQ(visibleControls(), selected);
}

// The dialog runs modal on another thread, owned by the window; this thread plays the user and
// keeps pumping, since the dialog disables its owner with a message sent here.
TEST_F(Win32Window, SaveDialogAsksBeforeReplacingAndTakesAWideName) {
    EXPECT_EQ(Win32Controls::dialogFlags(FileDialogKind::Save), 0x1001u | OFN_OVERWRITEPROMPT);
    EXPECT_EQ(Win32Controls::dialogFlags(FileDialogKind::Open), 0x1001u);
    const std::wstring typed =
        (std::filesystem::temp_directory_path() / L"na\u00efve \u65b0\u3057\u3044").wstring();
    std::string path = "kadoPresets.zentari";
    std::atomic<int> result{-1};
    std::thread worker([&] { result = tool.window.chooseSavePresetsFile(path) ? 1 : 0; });
    std::string proposed;
    HWND dialog = nullptr;
    for (const DWORD end = GetTickCount() + 20000; result < 0 && GetTickCount() < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
        HWND found = FindWindowW(L"#32770", nullptr);
        // Once shown, it is set up: the proposed name is in its box.
        if (dialog || !found || GetWindow(found, GW_OWNER) != window || !IsWindowVisible(found)) continue;
        dialog = found;
        // The file-name box: a combo box in the newer layout, an edit box in the older one.
        HWND box = GetDlgItem(dialog, 0x47C) ? GetDlgItem(dialog, 0x47C) : GetDlgItem(dialog, 0x480);
        proposed = textOf(box);
        SetWindowTextW(box, typed.c_str());
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), LPARAM(GetDlgItem(dialog, IDOK)));
    }
    if (result < 0 && dialog) EndDialog(dialog, IDCANCEL);
    while (result < 0) {
        for (MSG m; PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&m);
    }
    worker.join();
    ASSERT_EQ(result, 1);
    EXPECT_EQ(proposed, "kadoPresets.zentari");
    EXPECT_EQ(std::filesystem::u8path(path).wstring(), typed + L".zentari");
}

}  // namespace
}  // namespace zt::test
