// The real Win32 window over a Tool and the emulated device world. Everything is read back through
// Win32 itself (class names, ids, client coordinates, visibility, texts, status parts, image lists,
// progress messages), so a wrong style, id, place, message or resource shows up here even though
// MainWindow's logic passes its own tests over the recording port.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/tool.h"
#include "app/wide_text.h"
#include "hid/sleep.h"
#include "hidsim/hidsim.h"
#include "ui/win32/win32_controls.h"

namespace zt::test {
namespace {

struct ClientRect {
    int x, y, width, height;
    bool operator==(const ClientRect&) const = default;
};

std::ostream& operator<<(std::ostream& out, const ClientRect& r) {
    return out << "(" << r.x << ", " << r.y << ", " << r.width << " x " << r.height << ")";
}

std::string classNameOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string textOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    std::string utf8;
    utf8FromWide(text, utf8);
    return utf8;
}

ClientRect clientRectOf(HWND control) {
    RECT r{};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

// 32-bit pixels of a bitmap, top row first.
std::vector<DWORD> pixelsOf(HBITMAP bitmap, int width, int height) {
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<DWORD> pixels(static_cast<std::size_t>(width * height));
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, bitmap, 0, height, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    for (DWORD& p : pixels) p &= 0x00FFFFFF;
    return pixels;
}

std::vector<DWORD> imageListPicture(HIMAGELIST images, int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP canvas = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, canvas);
    ImageList_Draw(images, 0, memory, 0, 0, ILD_NORMAL);
    SelectObject(memory, old);
    std::vector<DWORD> pixels = pixelsOf(canvas, width, height);
    DeleteObject(canvas);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

void noSleep(int) {}

class Win32Window : public ::testing::Test {
protected:
    void SetUp() override {
        hidsim::detachAll();
        setSleepHook(&noSleep);
        controls = std::make_unique<Win32Controls>(GetModuleHandleA(nullptr));
        tool = std::make_unique<Tool>(*controls);
        controls->setCommandTarget(&tool->dispatcher);
        ASSERT_TRUE(tool->window.create());
        window = controls->window();
    }

    void TearDown() override {
        tool->dispatcher.stopWorker();
        // The window stays (destroying one costs Wine seconds without a window manager), but it
        // lets go of the port that is about to go.
        if (IsWindow(window)) SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        pump();
        tool.reset();
        controls.reset();
        hidsim::detachAll();
        setSleepHook(nullptr);
    }

    // Delivers what is queued for this (the GUI) thread; the quit message of a destroyed window
    // is dropped.
    static void pump() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }

    void serveAll() {
        while (tool->dispatcher.servePass()) {
        }
    }

    // A real click: the button sends its parent WM_COMMAND with BN_CLICKED.
    void click(HWND button) {
        SendMessageW(button, BM_CLICK, 0, 0);
        serveAll();
    }

    HWND slot(int index) const { return Win32Controls::windowOf(tool->window.commandButton(index)); }
    HWND device(unsigned row) const { return Win32Controls::windowOf(tool->window.deviceButton(row)); }

    std::string statusPart(int part) const {
        HWND bar = controls->statusBar();
        const auto length = LOWORD(SendMessageW(bar, SB_GETTEXTLENGTHW, part, 0));
        std::wstring text(length + 1u, L'\0');
        SendMessageW(bar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text.data()));
        text.resize(length);
        std::string utf8;
        utf8FromWide(text, utf8);
        return utf8;
    }

    std::vector<int> visibleChildIds() const {
        std::vector<int> ids;
        for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsWindowVisible(child)) ids.push_back(GetDlgCtrlID(child));
        }
        std::sort(ids.begin(), ids.end());
        return ids;
    }

    void attachPresence(std::uint16_t vendorId, std::uint16_t productId) {
        hidsim::attach(vendorId, productId, std::make_shared<hidsim::PresenceDevice>());
    }

    std::unique_ptr<Win32Controls> controls;
    std::unique_ptr<Tool> tool;
    HWND window = nullptr;
};

TEST_F(Win32Window, MainWindowClassStylesAndPlace) {
    EXPECT_EQ(classNameOf(window), "ZentariToolMainWindow");
    EXPECT_EQ(textOf(window), "Zentari Tool");
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(GetClassLongPtrW(window, GCL_STYLE), static_cast<ULONG_PTR>(CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(GetClassLongPtrW(window, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_WINDOW + 1));
    EXPECT_NE(GetClassLongPtrW(window, GCLP_HICON), 0u) << "icon 107 missing";
    EXPECT_NE(GetClassLongPtrW(window, GCLP_HICONSM), 0u) << "icon 108 missing";

    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME);
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);

    RECT outer{};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, 350);
    EXPECT_EQ(outer.bottom - outer.top, 235);
    EXPECT_EQ(outer.left, (GetSystemMetrics(SM_CXSCREEN) - 350) / 2);
    EXPECT_EQ(outer.top, (GetSystemMetrics(SM_CYSCREEN) - 235) / 2);
}

TEST_F(Win32Window, ControlsAtStart) {
    struct Expected {
        int id;
        const char* className;
        const char* text;
        ClientRect rect;
        bool visible;
    };
    const Expected table[] = {
        {201, "Button", "Find Devices", {10, 2, 104, 79}, true},
        {202, "Button", "Update", {10, 86, 104, 79}, false},
        {203, "Button", "", {116, 86, 104, 24}, false},
        {204, "Button", "", {222, 86, 104, 24}, false},
        {205, "Button", "", {116, 113, 104, 24}, false},
        {206, "Button", "", {222, 113, 104, 24}, false},
        {207, "Button", "", {169, 141, 104, 24}, false},
        {221, "msctls_progress32", "", {222, 32, 104, 20}, false},
        {301, "Button", "", {0, 0, 104, 79}, false},
        {305, "Button", "", {0, 0, 104, 79}, false},
        {309, "Button", "", {0, 0, 104, 79}, false},
        {313, "Button", "", {0, 0, 104, 79}, false},
        {317, "Button", "", {0, 0, 104, 79}, false},
        {321, "Button", "", {0, 0, 104, 79}, false},
        {325, "Button", "", {0, 0, 104, 79}, false},
        {329, "Button", "", {0, 0, 104, 79}, false},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.id);
        HWND control = GetDlgItem(window, e.id);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(lstrcmpiA(classNameOf(control).c_str(), e.className), 0) << classNameOf(control);
        EXPECT_EQ(textOf(control), e.text);
        EXPECT_EQ(clientRectOf(control), e.rect);
        EXPECT_EQ(IsWindowVisible(control) != 0, e.visible);
        // A plain push button (or a plain bar): no style bits beyond WS_CHILD and WS_VISIBLE.
        EXPECT_EQ(GetWindowLongPtrW(control, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_VISIBLE),
                  static_cast<LONG_PTR>(WS_CHILD));
        EXPECT_EQ(GetWindowLongPtrW(control, GWL_EXSTYLE), 0);
    }
    // The handles the window procedure compares senders against are these very controls.
    for (int s = 0; s < 7; ++s) EXPECT_EQ(slot(s), GetDlgItem(window, 201 + s)) << s;
    for (unsigned row = 0; row < 8; ++row) EXPECT_EQ(device(row), GetDlgItem(window, 301 + 4 * int(row))) << row;

    EXPECT_EQ(visibleChildIds(), (std::vector<int>{201, 211}));
    HWND status = GetDlgItem(window, 211);
    ASSERT_EQ(status, controls->statusBar());
    EXPECT_EQ(lstrcmpiA(classNameOf(status).c_str(), "msctls_statusbar32"), 0);
    RECT client{};
    GetClientRect(window, &client);
    int edges[2] = {};
    ASSERT_EQ(SendMessageW(status, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(edges)), 2);
    EXPECT_EQ(edges[0], client.right - 40);
    EXPECT_EQ(edges[1], client.right);
    EXPECT_EQ(statusPart(0), "");
    EXPECT_EQ(statusPart(1), "v1.2.1");
}

TEST_F(Win32Window, CommandButtonsUseTheButtonFontAndDeviceButtonsTheDefault) {
    for (int s = 0; s < 7; ++s) {
        SCOPED_TRACE(s);
        auto font = reinterpret_cast<HFONT>(SendMessageW(slot(s), WM_GETFONT, 0, 0));
        ASSERT_NE(font, nullptr);
        LOGFONTA description{};
        ASSERT_NE(GetObjectA(font, sizeof description, &description), 0);
        EXPECT_STREQ(description.lfFaceName, "Arial");
        EXPECT_EQ(description.lfHeight, 14);
        EXPECT_EQ(description.lfWeight, 400);
        EXPECT_EQ(description.lfCharSet, OEM_CHARSET);
    }
    for (unsigned row = 0; row < 8; ++row) {
        EXPECT_EQ(SendMessageW(device(row), WM_GETFONT, 0, 0), 0) << row;
    }
}

TEST_F(Win32Window, EachDeviceButtonShowsItsRowsPictureCentredWithoutMargins) {
    for (unsigned row = 0; row < 8; ++row) {
        SCOPED_TRACE(row);
        BUTTON_IMAGELIST picture{};
        ASSERT_TRUE(SendMessageW(device(row), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&picture)));
        ASSERT_NE(picture.himl, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(picture.himl), 1);
        int width = 0, height = 0;
        ImageList_GetIconSize(picture.himl, &width, &height);
        EXPECT_EQ(width, 100);
        EXPECT_EQ(height, 75);
        EXPECT_EQ(picture.uAlign, static_cast<UINT>(BUTTON_IMAGELIST_ALIGN_CENTER));
        EXPECT_EQ(picture.margin.left | picture.margin.top | picture.margin.right | picture.margin.bottom, 0);

        // Row i shows bitmap 151 + i, pixel for pixel.
        auto resource = static_cast<HBITMAP>(
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(151 + row), IMAGE_BITMAP, 100, 75, 0));
        ASSERT_NE(resource, nullptr);
        EXPECT_EQ(imageListPicture(picture.himl, 100, 75) == pixelsOf(resource, 100, 75), true);
        DeleteObject(resource);
    }
}

TEST_F(Win32Window, SearchFindingRowsZeroAndThreeThenSelectingRowThree) {
    attachPresence(0x1FC9, 0x815B);  // row 0
    attachPresence(0x16D0, 0x0DAF);  // row 3

    click(slot(0));
    EXPECT_EQ(statusPart(0), "Devices found, select one");
    EXPECT_EQ(statusPart(1), "v1.2.1");
    EXPECT_EQ(visibleChildIds(), (std::vector<int>{201, 211, 301, 313}));
    EXPECT_EQ(clientRectOf(device(0)), (ClientRect{116, 2, 104, 79}));
    EXPECT_EQ(clientRectOf(device(3)), (ClientRect{222, 2, 104, 79}));

    click(device(3));
    EXPECT_EQ(statusPart(0), "Device selected");
    EXPECT_EQ(visibleChildIds(),
              (std::vector<int>{201, 202, 203, 204, 205, 206, 207, 211, 313}));
    EXPECT_EQ(clientRectOf(device(3)), (ClientRect{116, 2, 104, 79}));
    // Raised above its siblings, so no hidden neighbour at the same place can cover it.
    EXPECT_EQ(GetWindow(window, GW_CHILD), device(3));
    const char* captions[] = {"Update", "Save Bank A", "Save Bank B", "Load Bank A", "Load Bank B",
                              "Load Wavetables"};
    for (int s = 1; s <= 6; ++s) EXPECT_EQ(textOf(slot(s)), captions[s - 1]) << s;

    // Its button pressed again: nothing changes.
    click(device(3));
    EXPECT_EQ(statusPart(0), "Device selected");
    EXPECT_EQ(clientRectOf(device(3)), (ClientRect{116, 2, 104, 79}));
}

TEST_F(Win32Window, OnlyClicksRaiseRequestsAndSendersAreKnownByHandle) {
    int ran = -1;
    for (int s = 0; s < 7; ++s) tool->dispatcher.setHandler(s, [&ran, s] { ran = s; });

    struct Case {
        const char* what;
        int wParamId;  // the id WM_COMMAND claims, which must not matter
        HWND sender;
        WORD code;
        int expectedSlot;  // -1: no action slot runs
        bool anythingRuns;
    };
    const Case cases[] = {
        {"click on slot 0", 201, slot(0), BN_CLICKED, 0, true},
        {"click on slot 6", 207, slot(6), BN_CLICKED, 6, true},
        {"id of slot 0, handle of slot 2", 201, slot(2), BN_CLICKED, 2, true},
        {"double click notification", 201, slot(0), BN_DOUBLECLICKED, -1, false},
        {"focus notification", 202, slot(1), BN_SETFOCUS, -1, false},
        {"click on a device button", 313, device(3), BN_CLICKED, -1, true},
        {"click claimed by the progress bar", 221, controls->progressBar(), BN_CLICKED, -1, false},
        {"no sender (menu or accelerator)", 201, nullptr, 0, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ran = -1;
        EXPECT_EQ(SendMessageW(window, WM_COMMAND, MAKEWPARAM(c.wParamId, c.code),
                               reinterpret_cast<LPARAM>(c.sender)),
                  0);
        EXPECT_EQ(tool->dispatcher.servePass(), c.anythingRuns);
        EXPECT_EQ(ran, c.expectedSlot);
        serveAll();
    }
}

TEST_F(Win32Window, ProgressBarModesReachTheControl) {
    HWND bar = controls->progressBar();
    auto range = [&] {
        PBRANGE r{};
        SendMessageW(bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&r));
        return std::make_pair(r.iLow, r.iHigh);
    };
    auto position = [&] { return static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0)); };
    auto marquee = [&] { return (GetWindowLongPtrW(bar, GWL_STYLE) & PBS_MARQUEE) != 0; };

    tool->window.showBusyProgress();
    EXPECT_TRUE(IsWindowVisible(bar));
    EXPECT_TRUE(marquee());

    struct Step {
        const char* what;
        int advanceTo;  // -1: startProgress instead
        int position;
    };
    const Step steps[] = {
        {"start after the marquee", -1, 0},
        {"to 50", 50, 50},
        {"back to 30 stays", 30, 50},
        {"an interrupted run restarts empty", -1, 0},
        {"to 0 right after start", 0, 0},
        {"to 100 stays full, no wrap to empty", 100, 99},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.what);
        if (s.advanceTo < 0) {
            tool->window.startProgress();
        } else {
            tool->window.advanceProgress(s.advanceTo);
        }
        EXPECT_TRUE(IsWindowVisible(bar));
        EXPECT_FALSE(marquee());
        EXPECT_EQ(range(), std::make_pair(0, 99));
        EXPECT_EQ(position(), s.position);
    }

    tool->window.hideProgress();
    EXPECT_FALSE(IsWindowVisible(bar));
}

// The file dialogs run modal on the worker, owned by the window; this thread plays the user. It
// must keep pumping throughout, because the dialog disables its owner with a message sent here.
class Win32FileDialog : public Win32Window {
protected:
    // Runs `choose` on another thread; `act` gets the dialog window and closes it.
    template <typename Choose, typename Act>
    int runDialog(Choose choose, Act act) {
        std::atomic<int> result{-1};
        std::thread worker([&] { result.store(choose() ? 1 : 0); });
        HWND dialog = nullptr;
        const DWORD deadline = GetTickCount() + 20000;
        while (dialog == nullptr && GetTickCount() < deadline) {
            pump();
            HWND candidate = FindWindowW(L"#32770", nullptr);
            // Once shown, it is set up: the proposed name is in its box.
            if (candidate != nullptr && GetWindow(candidate, GW_OWNER) == window && IsWindowVisible(candidate)) {
                dialog = candidate;
            }
            if (dialog == nullptr) MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
        if (dialog != nullptr) {
            act(dialog);
        }
        while (result.load() < 0 && GetTickCount() < deadline) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
            pump();
        }
        if (result.load() < 0 && dialog != nullptr) EndDialog(dialog, IDCANCEL);
        while (result.load() < 0) pump();
        worker.join();
        return dialog == nullptr ? -2 : result.load();
    }

    // The file-name box: a combo box in the newer layout, an edit box in the older one.
    static HWND fileNameBox(HWND dialog) {
        HWND box = GetDlgItem(dialog, 0x47C);  // cmb13
        return box != nullptr ? box : GetDlgItem(dialog, 0x480);  // edt1
    }

    // As if the button was clicked: its notification to the dialog.
    static void press(HWND dialog, int button) {
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
    }

    static std::wstring tempFolder() {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        return folder;
    }
};

TEST_F(Win32FileDialog, SaveProposesTheBufferAndAddsTheExtensionToATypedName) {
    std::string path = "kadoPresets.zentari";
    std::wstring proposed;
    // A name outside any code page: the chosen path must come back as UTF-8 intact.
    const std::wstring typed = tempFolder() + L"na\u00efve \u65b0\u3057\u3044";
    const int result = runDialog([&] { return tool->window.chooseSavePresetsFile(path); },
                                 [&](HWND dialog) {
                                     wchar_t text[MAX_PATH] = {};
                                     GetWindowTextW(fileNameBox(dialog), text, MAX_PATH);
                                     proposed = text;
                                     SetWindowTextW(fileNameBox(dialog), typed.c_str());
                                     press(dialog, IDOK);
                                 });
    ASSERT_EQ(result, 1);
    EXPECT_EQ(proposed, L"kadoPresets.zentari");
    std::string expected;
    ASSERT_TRUE(utf8FromWide(typed + L".zentari", expected));
    EXPECT_EQ(path, expected);
}

TEST_F(Win32FileDialog, CancelLeavesThePathAsItWas) {
    std::string path = "old.hex";
    const int result = runDialog([&] { return tool->window.chooseFirmwareFile(path); },
                                 [](HWND dialog) { press(dialog, IDCANCEL); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(path, "old.hex");
}

TEST_F(Win32Window, ClosingTheWindowEndsTheMessageLoopWithCodeZero) {
    SendMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
    MSG message{};
    ASSERT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(message.wParam, 0u);
}

TEST_F(Win32Window, WorkerDrivesTheWindowFromItsOwnThread) {
    // The real arrangement: the worker's calls are sent to this thread, which keeps pumping.
    ASSERT_TRUE(tool->dispatcher.startWorker());
    SendMessageW(slot(0), BM_CLICK, 0, 0);
    const DWORD deadline = GetTickCount() + 20000;
    while (statusPart(0) != "No devices found" && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        pump();
    }
    EXPECT_EQ(statusPart(0), "No devices found");
    EXPECT_EQ(visibleChildIds(), (std::vector<int>{201, 211}));
}

}  // namespace
}  // namespace zt::test
