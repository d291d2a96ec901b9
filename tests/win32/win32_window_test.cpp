// The real Win32 window over a Tool and the emulated devices, read back through Win32 itself, so a
// wrong class, id, place, text, message or resource shows up even where MainWindow's logic passes.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <numeric>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/tool.h"
#include "platform/wide_text.h"
#include "platform/sleep.h"
#include "hidsim/hidsim.h"
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

// "id class 'text' x,y wxh": the class in lower case, the place in the parent's client area (not
// for the status bar, whose height is the system's; its text is that of its first part).
std::string describe(HWND control) {
    char name[64] = {};
    GetClassNameA(control, name, sizeof name);
    CharLowerA(name);
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    const std::string head = std::to_string(GetDlgCtrlID(control)) + " " + name + " '" + textOf(control) + "'";
    if (std::string(name) == "msctls_statusbar32") return head + "\n";
    return head + " " + std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top) + "\n";
}

// The 32-bit pixels of a 100 x 75 picture, top row first.
std::vector<DWORD> pixelsOf(HDC screen, HBITMAP bitmap) {
    BITMAPINFO info{{sizeof(BITMAPINFOHEADER), 100, -75, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    std::vector<DWORD> pixels(100 * 75);
    GetDIBits(screen, bitmap, 0, 75, pixels.data(), &info, DIB_RGB_COLORS);
    return pixels;
}

// Delivers what is queued for this (the GUI) thread.
void pump() {
    for (MSG message; PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&message);
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

    // A real click: the button sends its parent WM_COMMAND with BN_CLICKED.
    void click(HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        while (tool.dispatcher.servePass()) continue;
    }

    // Every visible control; the ids have three digits each, so the set sorts them by id.
    std::string visibleControls() const {
        std::set<std::string> lines;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsWindowVisible(child)) lines.insert(describe(child));
        }
        return std::accumulate(lines.begin(), lines.end(), std::string());
    }

    Win32Controls controls{GetModuleHandleA(nullptr)};
    Tool tool{controls};
    HWND window = nullptr;
};

TEST_F(Win32Window, StartThenSearchFindingRowsZeroAndThreeThenSelectingRowThree) {
    EXPECT_EQ(describe(window), "0 zentaritoolmainwindow 'Zentari Tool' " +
                                    std::to_string((GetSystemMetrics(SM_CXSCREEN) - 350) / 2) + "," +
                                    std::to_string((GetSystemMetrics(SM_CYSCREEN) - 235) / 2) + " 350x235\n");
    EXPECT_EQ(visibleControls(), "201 button 'Find Devices' 10,2 104x79\n"
                                 "211 msctls_statusbar32 ''\n");
    wchar_t version[16] = {};
    SendMessageW(controls.statusBar(), SB_GETTEXTW, 1, reinterpret_cast<LPARAM>(version));
    EXPECT_STREQ(version, L"v" ZT_VERSION);

    hidsim::attach(0x1FC9, 0x815B, std::make_shared<hidsim::PresenceDevice>());  // row 0
    hidsim::attach(0x16D0, 0x0DAF, std::make_shared<hidsim::PresenceDevice>());  // row 3
    click(GetDlgItem(window, 201));
    EXPECT_EQ(visibleControls(), "201 button 'Find Devices' 10,2 104x79\n"
                                 "211 msctls_statusbar32 'Devices found, select one'\n"
                                 "301 button '' 116,2 104x79\n"
                                 "313 button '' 222,2 104x79\n");

    const std::string selected = "201 button 'Find Devices' 10,2 104x79\n"
                                 "202 button 'Update' 10,86 104x79\n"
                                 "203 button 'Save Bank A' 116,86 104x24\n"
                                 "204 button 'Save Bank B' 222,86 104x24\n"
                                 "205 button 'Load Bank A' 116,113 104x24\n"
                                 "206 button 'Load Bank B' 222,113 104x24\n"
                                 "207 button 'Load Wavetables' 169,141 104x24\n"
                                 "211 msctls_statusbar32 'Device selected'\n"
                                 "313 button '' 116,2 104x79\n";
    click(GetDlgItem(window, 313));
    EXPECT_EQ(visibleControls(), selected);
    // Raised above its siblings, so no hidden neighbour at the same place can cover it.
    EXPECT_EQ(GetWindow(window, GW_CHILD), GetDlgItem(window, 313));
    click(GetDlgItem(window, 313));
    EXPECT_EQ(visibleControls(), selected);
}

TEST_F(Win32Window, EachDeviceButtonShowsItsRowsPictureCentred) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, 100, 75);
    for (int row = 0; row < 8; ++row) {
        SCOPED_TRACE(row);
        BUTTON_IMAGELIST picture{};
        SendMessageW(GetDlgItem(window, 301 + 4 * row), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&picture));
        EXPECT_EQ(picture.uAlign, static_cast<UINT>(BUTTON_IMAGELIST_ALIGN_CENTER));
        HGDIOBJ old = SelectObject(memory, canvas);
        ImageList_Draw(picture.himl, 0, memory, 0, 0, ILD_NORMAL);
        SelectObject(memory, old);
        // Row i shows bitmap 151 + i, pixel for pixel.
        auto resource = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(151 + row), IMAGE_BITMAP, 0, 0, 0));
        EXPECT_TRUE(pixelsOf(screen, canvas) == pixelsOf(screen, resource));
        DeleteObject(resource);
    }
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

// The dialog runs modal on another thread, owned by the window; this thread plays the user and
// keeps pumping, since the dialog disables its owner with a message sent here.
TEST_F(Win32Window, SaveDialogTakesAWideNameAndAddsTheExtension) {
    const std::wstring typed = (std::filesystem::temp_directory_path() / L"na\u00efve \u65b0\u3057\u3044").wstring();
    std::string path = "kadoPresets.zentari";
    std::atomic<int> result{-1};
    std::thread worker([&] { result = tool.window.chooseSavePresetsFile(path) ? 1 : 0; });
    std::string proposed;
    HWND dialog = nullptr;
    for (const DWORD end = GetTickCount() + 20000; result < 0 && GetTickCount() < end;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pump();
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
    while (result < 0) pump();
    worker.join();
    ASSERT_EQ(result, 1);
    EXPECT_EQ(proposed, "kadoPresets.zentari");
    EXPECT_EQ(std::filesystem::u8path(path).wstring(), typed + L".zentari");
}

}  // namespace
}  // namespace zt::test
