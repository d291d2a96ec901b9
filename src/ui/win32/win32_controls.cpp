#include "ui/win32/win32_controls.h"

#include <commctrl.h>
#include <commdlg.h>
#include <objbase.h>

#include <vector>

#include "platform/wide_text.h"
#include "ui/win32/resource.h"
#include "ui/win32/window_procedure.h"

namespace zt {

namespace {

// Standard, pager, list-view and bar classes (ICC_STANDARD_CLASSES | ICC_PAGESCROLLER_CLASS |
// ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES).
constexpr DWORD kCommonControlClasses = 0x5005;

// OFN_FILEMUSTEXIST | OFN_READONLY, for all four dialogs.
constexpr DWORD kDialogFlags = 0x1001;

constexpr int kPictureWidth = 100;
constexpr int kPictureHeight = 75;

void initCommonControls() {
    INITCOMMONCONTROLSEX classes{sizeof(INITCOMMONCONTROLSEX), kCommonControlClasses};
    InitCommonControlsEx(&classes);
}

std::wstring wide(const std::string& text) {
    std::wstring result;
    wideFromUtf8(text, result);
    return result;
}

// The common dialogs use COM underneath, and the worker thread that opens them has no apartment
// of its own; this gives it one for the dialog's lifetime.
class ComApartment {
public:
    ComApartment() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (initialised_) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool initialised_;
};

}  // namespace

bool Win32Controls::createWindow(const WindowSpec& params) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProcedure;
    windowClass.hInstance = instance_;
    windowClass.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(IDI_LARGE_ICON));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = params.className;
    // At the small size itself, so the caption shows the 16-pixel picture, not a shrunk 32.
    windowClass.hIconSm = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_SMALL_ICON), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    // A second registration (a second window in one test process) fails harmlessly: the class
    // stays the same.
    RegisterClassExA(&windowClass);

    // Signed division, as the placement is meant for any screen, even one narrower than the window.
    const int x = (GetSystemMetrics(SM_CXSCREEN) - params.outerWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - params.outerHeight) / 2;
    window_ = CreateWindowExA(WS_EX_TOPMOST, params.className, params.title, WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                              params.outerWidth, params.outerHeight, nullptr, nullptr, instance_, this);
    if (window_ == nullptr) return false;
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
    return true;
}

HWND Win32Controls::createChild(const char* className, const char* text, DWORD style, Rect rect, int id) {
    if (window_ == nullptr) return nullptr;
    return CreateWindowExA(0, className, text, style, rect.x, rect.y, rect.width, rect.height, window_,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
}

ControlHandle Win32Controls::createStatusBar(int id, int rightPartWidth, const std::string& rightText) {
    // The status bar is the first control made, so the common controls are set up here.
    initCommonControls();
    statusBar_ = createChild(STATUSCLASSNAMEA, nullptr, WS_CHILD | WS_VISIBLE, {0, 0, 0, 0}, id);
    if (statusBar_ == nullptr) return 0;
    RECT client{};
    GetClientRect(window_, &client);
    int rightEdges[2] = {client.right - rightPartWidth, client.right};
    SendMessageA(statusBar_, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(rightEdges));
    SendMessageW(statusBar_, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(wide(rightText).c_str()));
    return handleOf(statusBar_);
}

DWORD Win32Controls::dialogFlags(FileDialogKind kind) {
    // Every save proposes the same name; without the question a second save would silently
    // replace the first backup.
    return kind == FileDialogKind::Save ? kDialogFlags | OFN_OVERWRITEPROMPT : kDialogFlags;
}

ControlHandle Win32Controls::createButton(const ControlSpec& params) {
    // Tab stops make the buttons reachable from the keyboard. A device button's text is its kind's
    // name for screen readers; the picture style keeps it from being drawn over the picture.
    const bool device = params.kind == ControlKind::DeviceButton;
    const DWORD style =
        WS_CHILD | WS_TABSTOP | (params.visible ? WS_VISIBLE : 0) | (device ? BS_BITMAP : 0);
    HWND button = createChild("BUTTON", params.text, style, params.rect, params.id);
    if (button == nullptr) return 0;
    if (device) {
        giveImageList(button, params.bitmapId);
        addTooltip(button, params.text);
    } else {
        if (buttonFont_ == nullptr) {
            buttonFont_ = CreateFontA(14, 0, 0, 0, 400, FALSE, FALSE, FALSE, OEM_CHARSET, 0, 0, 0, 0, "Arial");
        }
        if (buttonFont_ != nullptr) SendMessageA(button, WM_SETFONT, reinterpret_cast<WPARAM>(buttonFont_), FALSE);
    }
    return handleOf(button);
}

void Win32Controls::giveImageList(HWND button, int bitmapId) {
    // Each step may fail and leave the button without its picture; the button still works.
    HIMAGELIST images = ImageList_Create(kPictureWidth, kPictureHeight, ILC_COLOR24, 1, 1);
    if (images == nullptr) return;
    auto* bitmap = static_cast<HBITMAP>(LoadImageA(instance_, MAKEINTRESOURCEA(bitmapId), IMAGE_BITMAP,
                                                   kPictureWidth, kPictureHeight, LR_DEFAULTCOLOR));
    if (bitmap != nullptr) {
        ImageList_Add(images, bitmap, nullptr);
        DeleteObject(bitmap);
    }
    BUTTON_IMAGELIST picture{images, {0, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_CENTER};
    SendMessageA(button, BCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(&picture));
}

void Win32Controls::addTooltip(HWND button, const char* text) {
    if (tooltip_ == nullptr) {
        tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr,
                                   WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
    }
    if (tooltip_ == nullptr) return;
    std::wstring name = wide(text);
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.lpszText = name.data();  // copied by the control
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

ControlHandle Win32Controls::createProgressBar(int id, Rect rect) {
    progressBar_ = createChild(PROGRESS_CLASSA, "", WS_CHILD, rect, id);
    return handleOf(progressBar_);
}

void Win32Controls::setVisible(ControlHandle control, bool visible) {
    ShowWindow(windowOf(control), visible ? SW_SHOW : SW_HIDE);
}

void Win32Controls::moveAndRaise(ControlHandle control, int x, int y) {
    SetWindowPos(windowOf(control), HWND_TOP, x, y, 0, 0, SWP_NOSIZE);
}

void Win32Controls::setText(ControlHandle control, const std::string& text) {
    SetWindowTextW(windowOf(control), wide(text).c_str());
}

void Win32Controls::setFocus(ControlHandle control) { SetFocus(windowOf(control)); }

void Win32Controls::setStatusText(const std::string& text) {
    if (statusBar_ == nullptr) return;
    SendMessageW(statusBar_, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(wide(text).c_str()));
}

void Win32Controls::setProgressStyle(DWORD modeBits) {
    // The mode is the whole style; only whether the bar is shown carries over, which the caller
    // sets next anyway.
    const LONG_PTR shown = GetWindowLongPtrA(progressBar_, GWL_STYLE) & WS_VISIBLE;
    SetWindowLongPtrA(progressBar_, GWL_STYLE, static_cast<LONG_PTR>(WS_CHILD | modeBits) | shown);
}

void Win32Controls::setProgressMarquee(int intervalMilliseconds) {
    if (progressBar_ == nullptr) return;
    setProgressStyle(PBS_MARQUEE);
    SendMessageA(progressBar_, PBM_SETMARQUEE, TRUE, intervalMilliseconds);
}

void Win32Controls::setProgressRange(int maximum) {
    if (progressBar_ == nullptr) return;
    setProgressStyle(0);
    SendMessageA(progressBar_, PBM_SETMARQUEE, FALSE, 0);
    SendMessageA(progressBar_, PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
    SendMessageA(progressBar_, PBM_SETSTEP, 1, 0);
}

void Win32Controls::setProgressPosition(int position) {
    if (progressBar_ == nullptr) return;
    SendMessageA(progressBar_, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool Win32Controls::runFileDialog(const FileDialogSpec& params, std::string& path) {
    if (params.largestPath <= 1) return false;
    // The filter is pairs of zero-terminated texts, ended by an empty one: c_str() adds the last zero.
    std::wstring filter = wide(params.filterDescription);
    filter += L'\0';
    filter += wide(params.filterPattern);
    filter += L'\0';
    const std::wstring extension = params.defaultExtension != nullptr ? wide(params.defaultExtension) : L"";

    // The proposed name is offered only when it fits; otherwise the dialog starts with none.
    std::vector<wchar_t> file(static_cast<std::size_t>(params.largestPath), L'\0');
    const std::wstring proposed = wide(path);
    if (proposed.size() < file.size()) proposed.copy(file.data(), proposed.size());

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.Flags = dialogFlags(params.kind);
    dialog.lpstrDefExt = params.defaultExtension != nullptr ? extension.c_str() : nullptr;

    ComApartment apartment;
    const BOOL confirmed =
        params.kind == FileDialogKind::Save ? GetSaveFileNameW(&dialog) : GetOpenFileNameW(&dialog);
    if (!confirmed) return false;
    file.back() = L'\0';
    std::string chosen;
    if (!utf8FromWide(file.data(), chosen) || chosen.empty()) return false;
    path = std::move(chosen);
    return true;
}

}  // namespace zt
