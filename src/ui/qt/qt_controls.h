// QtControls: the controls port in Qt 6 widgets. One plain top-level window of fixed client size
// 344 x 206 (what the 350 x 235 outer window gets on Windows), always on top, with close and
// minimise boxes but no maximise box; every control at its client place from window_layout.h.
// Device buttons carry their kind's name as accessible name and tooltip; Tab walks the visible
// buttons in reading order, and Space or Enter presses the focused one.
//
// Threads: construct, create and destroy on the GUI thread (the thread that owns the
// QApplication). Every ControlsPort call may come from any thread: from another thread it is
// queued to the GUI thread and returns when it has been carried out there (one such call at a
// time), so the GUI thread must keep its event loop running while a worker calls in. Clicks are
// reported on the GUI thread through the callback given at construction.
#pragma once

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ui/controls_port.h"

class QLabel;
class QObject;
class QProgressBar;
class QPushButton;
class QTimer;
class QWidget;

namespace zt {

class QtControls : public ControlsPort {
public:
    // Called on the GUI thread for a click on any button created here, with the button's handle
    // and notification code 0 (a click); the app passes ActionDispatcher::onCommand.
    using CommandCallback = std::function<void(ControlHandle sender, int notificationCode)>;

    explicit QtControls(CommandCallback onCommand);
    ~QtControls() override;
    QtControls(const QtControls&) = delete;
    QtControls& operator=(const QtControls&) = delete;

    bool createWindow(const WindowSpec& params) override;
    ControlHandle createStatusBar(int id, int rightPartWidth, const std::string& rightText) override;
    ControlHandle createButton(const ControlSpec& params) override;
    ControlHandle createProgressBar(int id, Rect rect) override;

    void setVisible(ControlHandle control, bool visible) override;
    void moveAndRaise(ControlHandle control, int x, int y) override;
    void setText(ControlHandle control, const std::string& text) override;
    void setStatusText(const std::string& text) override;
    void setFocus(ControlHandle control) override;

    void setProgressMarquee(int intervalMilliseconds) override;
    void setProgressRange(int maximum) override;
    void setProgressPosition(int position) override;

    // Runs a non-native QFileDialog, modal to the main window. Open dialogs accept only existing
    // files; the save dialog appends the default extension to a name typed without one.
    bool runFileDialog(const FileDialogSpec& params, std::string& path) override;

    // The widgets, for tests and the entry point (GUI thread only). Null before creation or for
    // an unknown handle; the window and its children are owned by this object.
    QWidget* window() const;
    QWidget* widget(ControlHandle control) const;
    QPushButton* button(ControlHandle control) const;
    QLabel* statusMessagePart() const;
    QLabel* statusVersionPart() const;
    QProgressBar* progressBar() const;

    // The client size of the window; the status bar spans its width along the bottom edge.
    static constexpr int kClientWidth = 344;
    static constexpr int kClientHeight = 206;
    static constexpr int kStatusBarHeight = 22;
    // The command buttons' font is Arial of height 14 in Windows' terms, which is the cell height
    // (ascent + descent); Arial's em is 2048/2288 of that, 12.5 pixels. At an em of 14 "Load
    // Wavetables" no longer fits its button.
    static constexpr int kButtonFontPixels = 13;

private:
    // Runs `work` on the GUI thread and returns when it has run.
    void onGuiThread(const std::function<void()>& work);
    // GUI thread: runs the call waiting in the mailbox, if any.
    void deliver();
    ControlHandle adopt(QWidget* widget);
    // GUI thread: chains the buttons for Tab in reading order, top row first, left to right.
    void keepReadingOrder();
    // GUI thread: gives the window its icon and the device buttons their pictures, once.
    void loadPictures();

    CommandCallback onCommand_;
    std::unique_ptr<QWidget> window_;
    std::vector<QWidget*> controls_;  // handle h is controls_[h - 1]; children of window_
    QLabel* statusMessage_ = nullptr;
    QLabel* statusVersion_ = nullptr;
    QProgressBar* progress_ = nullptr;
    // Decoding the pictures is most of what the window costs to start, and none of them is
    // visible in the first frame, so they are loaded right after it has been painted (or at
    // once when a device button is shown before that).
    std::vector<std::pair<QPushButton*, int>> pendingPictures_;  // button, bitmap id
    bool iconPending_ = true;

    // Calls from other threads: one at a time, handed over through the mailbox.
    std::mutex callMutex_;
    std::mutex mailboxMutex_;
    std::condition_variable deliveredSignal_;
    const std::function<void()>* pending_ = nullptr;
    bool delivered_ = false;
    QTimer* courier_ = nullptr;  // child of the window; started from afar, it runs deliver()
    QObject* pressOnEnter_ = nullptr;  // child of the window; the buttons' Enter key
};

}  // namespace zt
